// Why a plug-in binary could not be loaded, as a value.
#pragma once

#include <string>

enum class PluginLoadFailure {
    none,
    fileNotFound,
    // The path exists but is no regular file that can be read.
    fileUnreadable,
    // The loader refused the file itself: not a library, or not for this machine.
    notLoadable,
    // A library the plug-in links, or a function it takes from one, is missing.
    dependencyMissing,
    entryPointMissing,
};

struct PluginLoadError {
    PluginLoadFailure kind = PluginLoadFailure::none;
    // Names the path and, where the loader said why, the loader's words.
    std::string message;

    bool failed() const noexcept { return kind != PluginLoadFailure::none; }
};
