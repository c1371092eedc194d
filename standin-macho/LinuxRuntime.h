// What a macOS bundle's imports become here: the bus framework's two
// functions come from the bus stand-in, libc++ and libSystem from the Linux
// C and C++ runtime (LLVM's libc++, libc++abi and libunwind, which share
// libc++'s __1 ABI with the macOS headers the bundle was built against).
#pragma once

#include <cstdint>
#include <string>

class LinuxRuntime {
public:
    // Loads the C++ runtime and finds the bus stand-in, which must already be
    // loaded in the process; refuses (MachORefusal) and names what is missing.
    LinuxRuntime();
    virtual ~LinuxRuntime();
    LinuxRuntime(const LinuxRuntime&) = delete;
    LinuxRuntime& operator=(const LinuxRuntime&) = delete;

    // The address here of symbol (spelt as on macOS, with its leading
    // underscore) from the library with this install name. Refuses
    // (MachORefusal) a library or symbol it does not map.
    virtual std::uint64_t resolve(const std::string& library, const std::string& symbol);

    // Hands one DWARF frame description entry of mapped code to the unwinder
    // that the C++ runtime throws with, and takes it back.
    void registerFrame(const void* entry) const noexcept;
    void deregisterFrame(const void* entry) const noexcept;

    // The C++ runtime's own symbol, by its Linux name; refuses if missing.
    std::uint64_t runtimeSymbol(const std::string& name) const;

private:
    void prepareBusShims() const;
    std::uint64_t busSymbol(const std::string& symbol) const;
    std::uint64_t systemSymbol(const std::string& symbol) const;

    void* cxxRuntime = nullptr;
    void* bus = nullptr;
    void (*addFrame)(std::uintptr_t) = nullptr;
    void (*removeFrame)(std::uintptr_t) = nullptr;
};
