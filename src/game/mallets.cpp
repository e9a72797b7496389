// The player's mallet moved to its target each tick, and the computer's controller. (The target
// follows the mouse in player_target.cpp.)
#include "game/mallets.h"

#include <cmath>

#include "game/match.h"
#include "game/playfield.h"

namespace {

// |trunc(dx)| + |trunc(dy)|: each difference truncated toward zero before its absolute value.
int TruncatedManhattan(double dx, double dy) {
    return std::abs(static_cast<int>(dx)) + std::abs(static_cast<int>(dy));
}

void MoveAlong(Body& m, Angle256 a, double length) {
    m.x += CosTable[a] * length;
    m.y += SinTable[a] * length;
}

}  // namespace

void UpdatePlayerMallet(int mallet) {
    Body& m = bodies[mallet];
    m.prevX = m.x;
    m.prevY = m.y;
    m.x = playerTargetX;
    m.y = playerTargetY;
    m.speed = std::sqrt((m.y - m.prevY) * (m.y - m.prevY) + (m.x - m.prevX) * (m.x - m.prevX));
}

void UpdateCpuMallet(int mallet) {
    Body& m = bodies[mallet];
    m.prevX = m.x;
    m.prevY = m.y;
    switch (m.aiState) {
        case CPU_WAIT:
            CpuWaitStep(mallet);
            break;
        case CPU_APPROACH:
            CpuApproachStep(mallet);
            break;
        case CPU_STRIKE:
            CpuStrikeStep(mallet);
            break;
        case CPU_RETREAT:
            CpuRetreatStep(mallet);
            break;
        default:
            break;  // no step: only the clamps apply
    }
    if (m.x < -TABLE_HALF_WIDTH) {
        m.x = -TABLE_HALF_WIDTH;
    }
    if (m.x > TABLE_HALF_WIDTH) {
        m.x = TABLE_HALF_WIDTH;
    }
    if (m.y > TABLE_HALF_LENGTH) {
        m.y = TABLE_HALF_LENGTH;
    }
    if (m.y < 0) {
        m.y = 0;
    }
    m.speed = std::sqrt((m.x - m.prevX) * (m.x - m.prevX) + (m.y - m.prevY) * (m.y - m.prevY));
}

// Every step that changes the state returns without moving: a change costs one tick of motion.
void CpuWaitStep(int mallet) {
    Body& m = bodies[mallet];
    m.aiTimer = m.aiTimer - 1;
    if (m.aiTimer > 0) {
        return;
    }
    m.aiState = bodies[BODY_PUCK].y < 0 ? CPU_RETREAT : CPU_APPROACH;
}

void CpuApproachStep(int mallet) {
    Body& m = bodies[mallet];
    const Body& puck = bodies[BODY_PUCK];
    if (puck.y < RETREAT_LINE_Y) {
        m.aiState = CPU_RETREAT;
        return;
    }
    if (TruncatedManhattan(m.x - puck.x, m.y - puck.y) < STRIKE_RANGE && m.y - 2 > puck.y) {
        m.aiState = CPU_STRIKE;
        return;
    }
    // Line up behind the puck, on the side of its own goal, a little aside each tick.
    const int j = NextRandom() % APPROACH_JITTER;
    double tx = (j + puck.x) - 5;
    double ty = puck.y + APPROACH_OFFSET_Y;
    if (tx < -TABLE_HALF_WIDTH) {
        tx = -TABLE_HALF_WIDTH;
    } else if (tx > TABLE_HALF_WIDTH) {
        tx = TABLE_HALF_WIDTH;
    }
    if (ty > TABLE_HALF_LENGTH) {
        ty = TABLE_HALF_LENGTH;
    } else if (ty < 0) {
        ty = 0;
    }
    MoveAlong(m, ComputeAngle256(tx - m.x, ty - m.y), APPROACH_SPEED);
}

void CpuStrikeStep(int mallet) {
    Body& m = bodies[mallet];
    const Body& puck = bodies[BODY_PUCK];
    if (puck.y < RETREAT_LINE_Y) {
        m.aiState = CPU_RETREAT;
        return;
    }
    const Angle256 a = ComputeAngle256(puck.x - m.x, puck.y - m.y);
    const double s = DifficultyTable[match.level].strikeSpeed;
    m.x += s * CosTable[a];
    m.y += s * SinTable[a];
}

void CpuRetreatStep(int mallet) {
    Body& m = bodies[mallet];
    const Body& puck = bodies[BODY_PUCK];
    if (TruncatedManhattan(m.y - puck.y, m.x - puck.x) < RETREAT_RANGE && puck.y < m.y) {
        m.aiState = CPU_APPROACH;  // the puck is in front of the mallet
        return;
    }
    if (puck.speed < SLOW_PUCK_SPEED && puck.y > 0) {
        m.aiState = CPU_APPROACH;  // a resting puck in its own half
        return;
    }
    const int zoneEdge =
        static_cast<int>(TABLE_HALF_LENGTH) - DifficultyTable[match.level].retreatZoneDepth;
    if (-HOME_HALF_WIDTH < m.x && m.x < HOME_HALF_WIDTH && m.y > zoneEdge) {
        return;  // at home: hold still
    }
    MoveAlong(m, ComputeAngle256(0 - m.x, CPU_HOME_Y - m.y), RETREAT_SPEED);
}
