// The puck's motion and its collisions with the walls, the goal mouths and the mallets.
#include "game/puck.h"

#include <cmath>

#include "game/mallets.h"
#include "game/match.h"
#include "sound/sound.h"

namespace {

constexpr double SUBSTEP_FRACTION = 0.1;

bool InGoalMouth(double x) {
    return -GOAL_HALF_WIDTH < x && x < GOAL_HALF_WIDTH;
}

// Puts the puck inside the goal it has just entered and hands the goal to the match flow.
void EnterGoal(double depth, int scorer) {
    Body& puck = bodies[BODY_PUCK];
    if (puck.x < -GOAL_PUCK_X_LIMIT) {
        puck.x = -GOAL_PUCK_X_LIMIT;
    } else if (puck.x > GOAL_PUCK_X_LIMIT) {
        puck.x = GOAL_PUCK_X_LIMIT;
    }
    puck.y = depth;
    GoalScored(scorer);
}

}  // namespace

void StartCpuWait(int mallet, int ticks) {
    bodies[mallet].aiState = CPU_WAIT;
    bodies[mallet].aiTimer = ticks;
}

void UpdatePuck() {
    Body& puck = bodies[BODY_PUCK];
    bool hitSound = false;
    unsigned frequency = PAD_FREQ_MALLET;
    // Ten substeps, so that a fast puck cannot pass through a mallet.
    for (int k = 0; k < PUCK_SUBSTEPS; ++k) {
        const Angle256 a = puck.angle;
        bool wallHit = false;
        const double dy = puck.speed * SinTable[a] * SUBSTEP_FRACTION;  // before x moves
        puck.x = puck.speed * CosTable[a] * SUBSTEP_FRACTION + puck.x;
        if (puck.x < -TABLE_HALF_WIDTH) {
            puck.x = -TABLE_HALF_WIDTH;
            puck.angle = static_cast<Angle256>(128 - a);
            wallHit = true;
        } else if (puck.x > TABLE_HALF_WIDTH) {
            puck.x = TABLE_HALF_WIDTH;
            puck.angle = static_cast<Angle256>(128 - a);
            wallHit = true;
        }
        puck.y = puck.y + dy;
        // The end walls mirror the heading as the side walls left it, so a corner reverses it.
        if (puck.y < -TABLE_HALF_LENGTH) {
            if (InGoalMouth(puck.x)) {
                EnterGoal(-GOAL_PUCK_DEPTH, SIDE_CPU);
                return;  // no more substeps, no friction, no sound in this tick
            }
            puck.y = -TABLE_HALF_LENGTH;
            puck.angle = static_cast<Angle256>(0 - puck.angle);
            wallHit = true;
        } else if (puck.y > TABLE_HALF_LENGTH) {
            if (InGoalMouth(puck.x)) {
                EnterGoal(GOAL_PUCK_DEPTH, SIDE_PLAYER);
                return;
            }
            puck.y = TABLE_HALF_LENGTH;
            puck.angle = static_cast<Angle256>(0 - puck.angle);
            wallHit = true;
        }
        if (wallHit) {
            bodies[BODY_PLAYER].contact = 0;
            bodies[BODY_CPU].contact = 0;
            hitSound = true;
            frequency = PAD_FREQ_WALL;
        }
        // The player's mallet first; a response ends the puck's motion for this tick.
        if (CollideMallet(BODY_PLAYER, k, PUCK_SUBSTEPS) == 1 ||
            CollideMallet(BODY_CPU, k, PUCK_SUBSTEPS) == 1) {
            hitSound = true;
            break;
        }
    }
    puck.speed = puck.speed - PUCK_FRICTION;
    if (puck.speed < 0) {
        puck.speed = 0;
    }
    if (hitSound) {
        PlayEffect(SND_PAD, 0, frequency);
    }
}

int CollideMallet(int mallet, int k, int n) {
    Body& m = bodies[mallet];
    Body& puck = bodies[BODY_PUCK];
    const double px = puck.x;
    const double py = puck.y;
    // Substep k sees the mallet k/n of the way along this tick's move.
    double mx = m.x;
    double my = m.y;
    if (n != 0) {
        mx = (m.x - m.prevX) * k / n + m.prevX;
        my = (k * (m.y - m.prevY)) / n + m.prevY;
    }
    // The cheap box test first; its bounds are strict.
    if (!((mx - DISC_RADIUS) - DISC_RADIUS < px && mx + CONTACT_DISTANCE > px &&
          (my - DISC_RADIUS) - DISC_RADIUS < py && my + CONTACT_DISTANCE > py)) {
        m.contact = 0;
        return 0;
    }
    const double d = std::sqrt((px - mx) * (px - mx) + (py - my) * (py - my));
    if (d > CONTACT_DISTANCE) {
        m.contact = 0;
        return 0;
    }
    if (d < DEEP_CONTACT_DISTANCE) {
        // On top of the puck: push it out toward the centre line, without a rebound.
        puck.x = m.x;
        puck.y = my > 0 ? m.y - DEEP_SEPARATION : m.y + DEEP_SEPARATION;
        m.contact = 0;
        StartCpuWait(mallet, ON_TOP_WAIT_TICKS);
        return 0;
    }
    if (m.contact != 0) {
        return 0;  // still the touch that was already answered
    }
    const Angle256 pa = puck.angle;
    puck.speed = puck.speed * 0.5;
    const double ps = puck.speed;
    const Angle256 nA = ComputeAngle256(px - mx, py - my);
    const Angle256 mA = ComputeAngle256(m.x - m.prevX, m.y - m.prevY);
    // The incoming heading mirrored across the tangent, plus the mallet's push along the normal.
    const auto r = static_cast<Angle256>(2 * (nA + 64) - pa);
    const double p = CosTable[static_cast<Angle256>(mA - nA)] * m.speed;
    const double vx = ps * CosTable[r] + p * CosTable[nA];
    const double vy = ps * SinTable[r] + p * SinTable[nA];
    puck.angle = ComputeAngle256(vx, vy);
    puck.speed = std::sqrt(vy * vy + vx * vx);
    if (puck.speed >= PUCK_MAX_SPEED) {
        puck.speed = PUCK_MAX_SPEED;
    }
    m.contact = 1;
    StartCpuWait(mallet, DifficultyTable[match.level].hitPauseTicks);
    return 1;
}
