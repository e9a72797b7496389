// The instance endpoint in a browser: each page is a game of its own, with nothing to find it by
// and no other program to post it commands, so claiming always succeeds, no other instance ever
// exists and a message sent finds nobody. (The page's own buttons post commands directly.)
#include "platform/instance.h"

namespace platform {

struct InstanceEndpoint::Worker {};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view, Deliver deliver) {
    return std::unique_ptr<InstanceEndpoint>(new InstanceEndpoint(std::move(deliver)));
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {}

InstanceEndpoint::~InstanceEndpoint() = default;

bool InstanceExists(std::string_view) {
    return false;
}

SendResult SendToInstance(std::string_view, unsigned, WPARAM) {
    return SendResult::NoInstance;
}

}  // namespace platform
