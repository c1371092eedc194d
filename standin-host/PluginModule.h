// A plug-in binary loaded into the process, and its entry point.
#pragma once

#include <string>

#include "KXPluginMain.h"
#include "PluginLoadError.h"

// Loads on construction and unloads on destruction or unload(); a load that
// fails leaves nothing loaded and says why in error(). Move-only.
//
// The platform part (opening, finding the entry point, closing) lives in
// PluginModulePosix.cpp (dlopen with RTLD_NOW | RTLD_LOCAL, the exported
// PluginMain) and PluginModuleWindows.cpp (the entry point that the "PIPL"
// resource names). A macOS bundle (a folder with Contents/Info.plist) goes
// through the stand-in Mach-O loader instead, in PluginModuleBundle.cpp.
class PluginModule {
public:
    explicit PluginModule(std::string path);
    ~PluginModule();
    PluginModule(PluginModule&& other) noexcept;
    PluginModule& operator=(PluginModule&& other) noexcept;
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool isLoaded() const noexcept { return library != nullptr; }
    // Null unless loaded.
    KXPluginMainProc entryPoint() const noexcept { return entry; }
    const PluginLoadError& error() const noexcept { return failure; }
    const std::string& path() const noexcept { return file; }
    void unload() noexcept;
    // Leaves the plug-in loaded for the rest of the process, as a host does
    // with a plug-in it has not shut down.
    void keepLoaded() noexcept;

private:
    void load();
    PluginLoadError checkFile();
    PluginLoadError failureOf(PluginLoadFailure kind, const std::string& reason) const;

    // Platform part: sets library or answers why the loader refused.
    PluginLoadError openLibrary();
    KXPluginMainProc findEntryPoint() const noexcept;
    void closeLibrary() noexcept;

    // The same for a bundle, whose loaded image library then points to.
    PluginLoadError openBundle();
    KXPluginMainProc bundleEntryPoint() const noexcept;
    void closeBundle() noexcept;

    std::string file;
    void* library = nullptr;
    KXPluginMainProc entry = nullptr;
    bool bundle = false;
    PluginLoadError failure;
};
