#include "PluginLocation.h"

#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

#if defined(_WIN32)
constexpr const char* kPluginFile = "Quayline.qvl";
#elif defined(__APPLE__)
constexpr const char* kPluginFile = "Quayline";
#else
constexpr const char* kPluginFile = "Quayline.so";
#endif

}  // namespace

std::string PluginLocation::resolve(const std::optional<std::string>& given, const std::string& program) {
    if (!given) {
        return besideExecutable(program);
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(*given, error);
    return error ? *given : absolute.string();
}

std::string PluginLocation::besideExecutable(const std::string& program) {
    const std::filesystem::path folder = std::filesystem::path(executablePath(program)).parent_path();
    return (folder / kPluginFile).string();
}

std::string PluginLocation::executablePath(const std::string& program) {
#if defined(_WIN32)
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return std::string(path, length);
    }
#elif defined(__linux__)
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return path.string();
    }
#endif
    return program;
}
