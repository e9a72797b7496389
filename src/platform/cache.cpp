// The per-user cache of files.
//
// A file is read whole, and written whole under a name of its own in the same folder, then
// renamed over the old one: a reader (another copy of the game, tests side by side) finds the old
// file or the new one, never half of one.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "platform/platform.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

// Larger than anything the programs store: a bigger file is someone else's, and not read.
constexpr std::uintmax_t MAX_CACHED_BYTES = 16 << 20;

#ifndef __EMSCRIPTEN__
// An absolute path from the variable, or nothing.
std::optional<fs::path> DirectoryIn(const char* variable) {
#ifdef _WIN32
    const std::wstring name(variable, variable + std::char_traits<char>::length(variable));
    const wchar_t* value = _wgetenv(name.c_str());
#else
    const char* value = secure_getenv(variable);
#endif
    if (value == nullptr || *value == 0 || !fs::path(value).is_absolute()) {
        return std::nullopt;
    }
    return fs::path(value);
}
#endif

std::optional<fs::path> CacheDirectory() {
#ifdef __EMSCRIPTEN__
    return std::nullopt;
#else
    if (auto own = DirectoryIn("PUCKWIND_CACHE")) {
        return own;
    }
#ifdef _WIN32
    if (auto local = DirectoryIn("LOCALAPPDATA")) {
        return *local / "puckwind";
    }
#else
    if (auto cache = DirectoryIn("XDG_CACHE_HOME")) {
        return *cache / "puckwind";
    }
    if (auto home = DirectoryIn("HOME")) {
        return *home / ".cache" / "puckwind";
    }
#endif
    return std::nullopt;
#endif
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadCachedFile(std::string_view name) {
    const auto directory = CacheDirectory();
    if (!directory) {
        return std::nullopt;
    }
    const fs::path path = *directory / name;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > MAX_CACHED_BYTES) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return std::nullopt;
    }
    return bytes;
}

void WriteCachedFile(std::string_view name, std::span<const unsigned char> bytes) {
    const auto directory = CacheDirectory();
    if (!directory) {
        return;
    }
    const fs::path path = *directory / name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    fs::path partial = path;
    partial += ".part" + std::to_string(std::random_device()());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            out.close();
            fs::remove(partial, error);
            return;
        }
    }
    fs::rename(partial, path, error);
    if (error) {
        fs::remove(partial, error);
    }
}

}  // namespace platform
