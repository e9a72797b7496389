// The instance endpoint in a browser: each page is a game of its own, so claiming always succeeds
// and no other instance ever exists. What another program posts on the desktop, the page's own
// script posts here, through the same door: Module._puckwind_post(message, wParam) delivers a
// WM_COMMAND or WM_CLOSE to the game and refuses anything else, as the desktop endpoint does.
#include <emscripten/emscripten.h>

#include "platform/endpoint/endpoint.h"

namespace platform {

namespace {

InstanceEndpoint::Deliver* holder = nullptr;  // the claimed endpoint's delivery, while it lives

}  // namespace

struct InstanceEndpoint::Worker {};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view, Deliver deliver,
                                                          std::string*) {
    return std::unique_ptr<InstanceEndpoint>(new InstanceEndpoint(std::move(deliver)));
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {
    holder = &deliver_;
}

InstanceEndpoint::~InstanceEndpoint() {
    holder = nullptr;
}

bool InstanceExists(std::string_view) {
    return false;
}

SendResult SendToInstance(std::string_view, unsigned, WPARAM) {
    return SendResult::NoInstance;
}

}  // namespace platform

// 1 when delivered; 0 when refused or when no game holds the endpoint (before start, after end).
extern "C" EMSCRIPTEN_KEEPALIVE int puckwind_post(unsigned message, unsigned wParam) {
    using namespace platform;
    const auto request = DecodeRequest(EncodeRequest(message, wParam));
    if (!request || holder == nullptr) {
        return 0;
    }
    (*holder)(request->message, request->wParam);
    return 1;
}
