#include "PluginAllocations.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "Conflux.h"

// The hooks live in a section of their own, so the stack walk can tell their
// frames from their callers' however the compiler inlined or tail-called.
#define QUAYLINE_ALLOCATION_HOOK __attribute__((section("quayline_allocation_hooks"), noinline))
// Replacements must be seen by the C++ library and the plug-in, whatever the
// default visibility and whether <new> declares the sized forms.
#define QUAYLINE_REPLACEMENT QUAYLINE_ALLOCATION_HOOK __attribute__((visibility("default")))

extern "C" const char __start_quayline_allocation_hooks[];
extern "C" const char __stop_quayline_allocation_hooks[];

namespace {

struct CodeRange {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;

    bool contains(std::uintptr_t address) const noexcept { return address >= begin && address < end; }
};

struct Watch {
    bool active = false;
    CodeRange plugin;
    CodeRange executable;
    CodeRange bus;
    long made = 0;
    long failAt = 0;
    bool injected = false;
    long liveBlocks = 0;
    std::size_t liveBytes = 0;
};

Watch watched;

// Before every block: its size and who made it; 16 bytes keep the alignment
// that operator new promises.
struct alignas(16) BlockHeader {
    std::size_t size;
    std::uint32_t magic;
    std::uint32_t pluginOwned;
};
constexpr std::uint32_t kBlockMagic = 0x51594C4E;

// The executable code of the loaded object that holds address.
CodeRange codeOf(const void* address) {
    struct Search {
        std::uintptr_t address;
        CodeRange found;
    } search{reinterpret_cast<std::uintptr_t>(address), {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* wanted = static_cast<Search*>(data);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                const CodeRange range{info->dlpi_addr + segment.p_vaddr,
                                      info->dlpi_addr + segment.p_vaddr + segment.p_memsz};
                if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0 &&
                    range.contains(wanted->address)) {
                    wanted->found = range;
                    return 1;
                }
            }
            return 0;
        },
        &search);
    return search.found;
}

bool isHook(std::uintptr_t address) noexcept {
    return address >= reinterpret_cast<std::uintptr_t>(__start_quayline_allocation_hooks) &&
           address < reinterpret_cast<std::uintptr_t>(__stop_quayline_allocation_hooks);
}

QUAYLINE_ALLOCATION_HOOK bool madeByPlugin() noexcept {
    void* frames[64];
    const int depth = backtrace(frames, 64);
    for (int i = 0; i < depth; ++i) {
        const auto address = reinterpret_cast<std::uintptr_t>(frames[i]);
        if (isHook(address)) {
            continue;
        }
        if (watched.plugin.contains(address)) {
            return true;
        }
        if (watched.executable.contains(address) || watched.bus.contains(address)) {
            return false;
        }
    }
    return false;
}

QUAYLINE_ALLOCATION_HOOK bool takeInjectedFailure() noexcept {
    ++watched.made;
    if (watched.failAt > 0 && --watched.failAt == 0) {
        watched.injected = true;
        return true;
    }
    return false;
}

QUAYLINE_ALLOCATION_HOOK void* allocate(std::size_t size) {
    const bool pluginOwned = watched.active && madeByPlugin();
    if (pluginOwned && takeInjectedFailure()) {
        throw std::bad_alloc();
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) {
        throw std::bad_alloc();
    }
    *header = BlockHeader{size, kBlockMagic, pluginOwned ? 1u : 0u};
    if (pluginOwned) {
        ++watched.liveBlocks;
        watched.liveBytes += size;
    }
    return header + 1;
}

QUAYLINE_ALLOCATION_HOOK void release(void* memory) noexcept {
    if (memory == nullptr) {
        return;
    }
    BlockHeader* header = static_cast<BlockHeader*>(memory) - 1;
    if (header->magic != kBlockMagic) {
        std::abort();
    }
    if (header->pluginOwned != 0) {
        --watched.liveBlocks;
        watched.liveBytes -= header->size;
    }
    header->magic = 0;
    std::free(header);
}

QUAYLINE_ALLOCATION_HOOK void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

QUAYLINE_REPLACEMENT void* operator new(std::size_t size) { return allocate(size); }
QUAYLINE_REPLACEMENT void* operator new[](std::size_t size) { return allocate(size); }
QUAYLINE_REPLACEMENT void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
QUAYLINE_REPLACEMENT void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
QUAYLINE_REPLACEMENT void operator delete(void* memory) noexcept { release(memory); }
QUAYLINE_REPLACEMENT void operator delete[](void* memory) noexcept { release(memory); }
QUAYLINE_REPLACEMENT void operator delete(void* memory, std::size_t) noexcept { release(memory); }
QUAYLINE_REPLACEMENT void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
QUAYLINE_REPLACEMENT void operator delete(void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}
QUAYLINE_REPLACEMENT void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}

void PluginAllocations::watch(const PluginModule& plugin) {
    void* frames[1];
    backtrace(frames, 1);  // loads the unwinder now, not inside a hook
    watched = Watch{};
    watched.plugin = codeOf(reinterpret_cast<const void*>(plugin.entryPoint()));
    watched.executable = codeOf(reinterpret_cast<const void*>(&codeOf));
    watched.bus = codeOf(reinterpret_cast<const void*>(&DispatchEvent));
    watched.active = watched.plugin.end != 0;
}

void PluginAllocations::stopWatching() noexcept { watched.active = false; }

void PluginAllocations::resumeWatching() noexcept { watched.active = watched.plugin.end != 0; }

void PluginAllocations::failAt(long count) noexcept {
    if (count > 0) {
        watched.injected = false;
    }
    watched.failAt = count;
}

bool PluginAllocations::failureInjected() noexcept { return watched.injected; }

long PluginAllocations::made() noexcept { return watched.made; }

long PluginAllocations::liveBlocks() noexcept { return watched.liveBlocks; }

std::size_t PluginAllocations::liveBytes() noexcept { return watched.liveBytes; }
