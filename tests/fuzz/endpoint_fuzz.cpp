// Feeds arbitrary bytes to the decoder of the endpoint's requests: what it accepts must be a
// whole request, of WM_COMMAND or WM_CLOSE, that encodes back to the very bytes it came from.
#include <algorithm>
#include <cstdlib>

#include "platform/endpoint/endpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);
    const auto request = platform::DecodeRequest(bytes);
    if (!request) {
        return 0;
    }
    const platform::RequestBytes again = platform::EncodeRequest(request->message, request->wParam);
    if ((request->message != platform::WM_COMMAND && request->message != platform::WM_CLOSE) ||
        !std::ranges::equal(again, bytes)) {
        std::abort();
    }
    return 0;
}
