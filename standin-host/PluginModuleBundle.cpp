#include "PluginModule.h"

#if defined(QUAYLINE_MACHO_LOADER)

#include <cstring>
#include <memory>

#include "MachOBundle.h"
#include "MachORefusal.h"

PluginLoadError PluginModule::openBundle() {
    std::unique_ptr<LinuxRuntime> runtime;
    try {
        runtime = std::make_unique<LinuxRuntime>();
    } catch (const MachORefusal& refusal) {
        return failureOf(PluginLoadFailure::dependencyMissing,
                         std::string("a library or function it needs is missing: ") + refusal.what());
    }
    try {
        library = MachOBundle::load(file, std::move(runtime)).release();
    } catch (const MachORefusal& refusal) {
        return failureOf(PluginLoadFailure::notLoadable, std::string("the Mach-O loader refused it: ") + refusal.what());
    }
    return PluginLoadError{};
}

KXPluginMainProc PluginModule::bundleEntryPoint() const noexcept {
    void* const symbol = static_cast<const MachOBundle*>(library)->entryPoint();
    KXPluginMainProc found = nullptr;
    static_assert(sizeof(found) == sizeof(symbol), "function and object pointers differ");
    std::memcpy(&found, &symbol, sizeof(found));
    return found;
}

void PluginModule::closeBundle() noexcept { delete static_cast<MachOBundle*>(library); }

#else

PluginLoadError PluginModule::openBundle() {
    return failureOf(PluginLoadFailure::notLoadable,
                     "macOS bundles load only where the stand-in Mach-O loader is built "
                     "(x86-64 Linux, with Zig's macOS headers from cmake/toolchains/install-zig.sh)");
}

KXPluginMainProc PluginModule::bundleEntryPoint() const noexcept { return nullptr; }

void PluginModule::closeBundle() noexcept {}

#endif
