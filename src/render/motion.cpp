// The picture between ticks. The game pushes the bodies' and the banner's poses once a tick and
// never learns the frame rate; here each moving frame keeps the pose of the last tick and of the
// one before, and a picture drawn between two ticks shows it blended by the time elapsed (the 3D
// layer's drawn transform: the frame's own transform stays the tick's). A pose reached by a jump
// (a serve, a goal, a banner shown or hidden) is kept as both, so nothing is blended across it.
// The player's mallet is drawn where the next tick will put it, from the newest pointer position.
#include "render/motion.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "game/player_target.h"
#include "render/render.h"
#include "render/scene.h"
#include "retained/math.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Blend {
    retained::Matrix from{};
    retained::Matrix to{};
    Clock::time_point since{};
    bool known = false;  // `to` is a pose the frame had
};

struct State {
    Presentation options;
    bool blending = false;  // frames at the refresh have started
    Clock::duration tick = std::chrono::milliseconds(24);
    bool active = false;
    Blend cpu;
    Blend puck;
    Blend banner;
    BannerMotion bannerMotion = BannerMotion::None;
    std::int64_t bannerStep = 0;
};

State& P() {
    static State state;
    return state;
}

retained::Frame* FrameAt(unsigned i) {
    return renderObjects.objectFrames[i];
}

// The frame's pose now becomes the last tick's; the one before is the previous `to` when the
// motion goes on, else the same pose (a jump: nothing to blend).
void Take(Blend& blend, retained::Frame* frame, bool continuous) {
    if (frame == nullptr) {
        return;
    }
    retained::Matrix pose;
    frame->GetTransform(&pose);
    blend.from = continuous && blend.known ? blend.to : pose;
    blend.to = pose;
    blend.since = platform::ClockNow();
    blend.known = true;
}

// Where the frame is drawn at `now`; true while it is still on its way.
bool DrawBlended(Blend& blend, retained::Frame* frame, Clock::time_point now) {
    if (frame == nullptr) {
        return false;
    }
    retained::Matrix pose;
    frame->GetTransform(&pose);
    if (!blend.known || pose != blend.to) {
        blend = {pose, pose, now, true};  // moved where no tick saw it: drawn where it stands
    }
    const double t = std::chrono::duration<double>(now - blend.since) / P().tick;
    if (blend.from == blend.to || t >= 1) {
        frame->SetDrawnTransform(nullptr);
        return false;
    }
    const retained::Matrix drawn =
        retained::Blend(blend.from, blend.to, static_cast<retained::Value>(std::max(t, 0.0)));
    frame->SetDrawnTransform(&drawn);
    return true;
}

// The player's mallet at the target the pointer makes now, while the mallet follows it.
bool DrawPlayer(retained::Frame* frame) {
    if (frame == nullptr) {
        return false;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (!P().active || !NextPlayerTarget(platform::PointerPosition(), &x, &y)) {
        frame->SetDrawnTransform(nullptr);
        return false;
    }
    retained::Matrix drawn;
    frame->GetTransform(&drawn);
    drawn.m[3][0] = static_cast<retained::Value>(x);
    drawn.m[3][1] = static_cast<retained::Value>(y);
    frame->SetDrawnTransform(&drawn);
    return true;
}

}  // namespace

void SetPresentation(const Presentation& presentation) {
    P().options = presentation;
}

void RenderTickHandled(bool continuous, unsigned tickMs) {
    State& p = P();
    if (!p.blending) {
        return;
    }
    p.tick = std::chrono::milliseconds(tickMs);
    Take(p.cpu, FrameAt(FRAME_CPU_MALLET), continuous);
    Take(p.puck, FrameAt(FRAME_PUCK), continuous);
}

void NoteBannerPose(BannerMotion motion, int step) {
    State& p = P();
    const std::int64_t next = motion == BannerMotion::Title ? p.bannerStep + 1 : p.bannerStep - 1;
    const bool continuous =
        motion != BannerMotion::None && motion == p.bannerMotion && step == next;
    p.bannerMotion = motion;
    p.bannerStep = step;
    if (p.blending) {
        Take(p.banner, FrameAt(FRAME_BANNER), continuous);
    }
}

void StartPresentation(platform::HWND window) {
    State& p = P();
    p.blending = !p.options.tickPaint;
    p.cpu = p.puck = p.banner = {};
    for (retained::Frame* frame : renderObjects.objectFrames) {
        if (frame != nullptr) {
            frame->SetDrawnTransform(nullptr);
        }
    }
    if (p.blending) {
        platform::PaceFrames(window, p.options.frameRate);
    }
}

void NoteActivation(bool active) {
    P().active = active;
}

bool PoseForPicture(platform::HWND window) {
    State& p = P();
    if (!p.blending) {
        return false;
    }
    const Clock::time_point now = platform::ClockNow();
    bool moving = DrawBlended(p.cpu, FrameAt(FRAME_CPU_MALLET), now);
    moving = DrawBlended(p.puck, FrameAt(FRAME_PUCK), now) || moving;
    moving = DrawBlended(p.banner, FrameAt(FRAME_BANNER), now) || moving;
    platform::FollowPointer(window, DrawPlayer(FrameAt(FRAME_PLAYER_MALLET)));
    return moving;
}
