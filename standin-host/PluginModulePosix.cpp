#include "PluginModule.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

// The loader names only the dependency in these messages, so they are told
// apart by their wording: glibc's first, then macOS's.
bool namesMissingDependency(const std::string& loaderMessage) {
    for (const char* wording : {"cannot open shared object file", "undefined symbol",
                                "Library not loaded", "Symbol not found"}) {
        if (loaderMessage.find(wording) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string lastLoaderMessage() {
    const char* message = dlerror();
    return message == nullptr ? "the loader gave no reason" : message;
}

}  // namespace

PluginLoadError PluginModule::openLibrary() {
    dlerror();
    // A bare name would be looked up on the library path instead of here.
    std::error_code failed;
    std::filesystem::path path = std::filesystem::absolute(file, failed);
    if (failed) {
        path = file;
    }
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
        return PluginLoadError{};
    }
    const std::string reason = lastLoaderMessage();
    if (namesMissingDependency(reason)) {
        return failureOf(PluginLoadFailure::dependencyMissing,
                         "a library or function it needs is missing: " + reason);
    }
    return failureOf(PluginLoadFailure::notLoadable, "the loader refused it: " + reason);
}

// dlsym hands out an object pointer; copying its bits is the portable way to
// turn it into the function pointer it stands for.
KXPluginMainProc PluginModule::findEntryPoint() const noexcept {
    void* const symbol = dlsym(library, kKXPluginMainName);
    KXPluginMainProc found = nullptr;
    static_assert(sizeof(found) == sizeof(symbol), "function and object pointers differ");
    std::memcpy(&found, &symbol, sizeof(found));
    return found;
}

void PluginModule::closeLibrary() noexcept { dlclose(library); }
