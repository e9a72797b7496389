// Embedded resources, found by type and name without regard to case. The table itself is linked
// into each program from resources/ (see cmake/EmbedResources.cmake).
#include <algorithm>
#include <cctype>

#include "platform/platform.h"

namespace platform {

namespace {
bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}
}  // namespace

std::optional<std::span<const unsigned char>> FindResource(std::string_view type,
                                                           std::string_view name) {
    for (const EmbeddedResource& r : EmbeddedResources()) {
        if (SameIgnoringCase(r.type, type) && SameIgnoringCase(r.name, name)) {
            return std::span<const unsigned char>(r.data, r.size);
        }
    }
    return std::nullopt;
}

}  // namespace platform
