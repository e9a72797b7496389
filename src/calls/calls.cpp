#include "calls/calls.h"

namespace calls {

namespace {

std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}

}  // namespace

const std::vector<Call>& RecordedCalls() {
    return Calls();
}
void ClearRecordedCalls() {
    Calls().clear();
}
void RecordCall(const Call& call) {
    Calls().push_back(call);
}

}  // namespace calls
