#include "PluginModule.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

PluginModule::PluginModule(std::string path) : file(std::move(path)) { load(); }

PluginModule::~PluginModule() { unload(); }

PluginModule::PluginModule(PluginModule&& other) noexcept
    : file(std::move(other.file)),
      library(std::exchange(other.library, nullptr)),
      entry(std::exchange(other.entry, nullptr)),
      bundle(other.bundle),
      failure(std::move(other.failure)) {}

PluginModule& PluginModule::operator=(PluginModule&& other) noexcept {
    if (this != &other) {
        unload();
        file = std::move(other.file);
        library = std::exchange(other.library, nullptr);
        entry = std::exchange(other.entry, nullptr);
        bundle = other.bundle;
        failure = std::move(other.failure);
    }
    return *this;
}

void PluginModule::keepLoaded() noexcept {
    library = nullptr;
    entry = nullptr;
}

void PluginModule::unload() noexcept {
    if (library != nullptr) {
        bundle ? closeBundle() : closeLibrary();
    }
    library = nullptr;
    entry = nullptr;
}

void PluginModule::load() {
    failure = checkFile();
    if (failure.failed()) {
        return;
    }
    failure = bundle ? openBundle() : openLibrary();
    if (failure.failed()) {
        return;
    }
    entry = bundle ? bundleEntryPoint() : findEntryPoint();
    if (entry == nullptr) {
        failure = failureOf(PluginLoadFailure::entryPointMissing,
                            "it exports no " kKXPluginMainName);
        unload();
    }
}

// Checked before the loader is asked, whose messages do not tell a missing
// plug-in from a missing library it needs; also tells a bundle from a file.
PluginLoadError PluginModule::checkFile() {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return failureOf(PluginLoadFailure::fileNotFound, "no such file");
    }
    if (error) {
        return failureOf(PluginLoadFailure::fileUnreadable, error.message());
    }
    bundle = status.type() == std::filesystem::file_type::directory &&
             std::filesystem::is_regular_file(std::filesystem::path(file) / "Contents" / "Info.plist", error);
    if (bundle) {
        return PluginLoadError{};
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return failureOf(PluginLoadFailure::fileUnreadable, "not a regular file, nor a bundle with Contents/Info.plist");
    }
    if (!std::ifstream(file, std::ios::binary).is_open()) {
        return failureOf(PluginLoadFailure::fileUnreadable, "the file cannot be opened for reading");
    }
    return PluginLoadError{};
}

PluginLoadError PluginModule::failureOf(PluginLoadFailure kind, const std::string& reason) const {
    return PluginLoadError{kind, "cannot load the plug-in " + file + ": " + reason};
}
