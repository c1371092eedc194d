#include "LinuxRuntime.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Conflux.h"
#include "MachORefusal.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kUnderAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

constexpr const char* kBusFramework = "@executable_path/../Frameworks/Conflux.framework/Versions/A/Conflux";
constexpr const char* kSystemCxx = "/usr/lib/libc++.1.dylib";
constexpr const char* kSystem = "/usr/lib/libSystem.B.dylib";
constexpr const char* kCxxRuntime = "libc++.so.1";
constexpr const char* kBusStandIn = "libConfluxor.so";
constexpr const char* kCxxPackages = "Debian packages libc++1-14 and libc++abi1-14";

constexpr const char* kBusFunctions[] = {"_AddEventListener", "_DispatchEvent"};
// libSystem functions whose glibc and libunwind counterparts take and give
// the same as on macOS; others (stdio, locales, errno) differ underneath.
constexpr const char* kSystemFunctions[] = {"_memcmp", "_memcpy", "_memmove", "_memset", "_strlen",
                                            "__Unwind_Resume"};
constexpr const char* kStubBinder = "dyld_stub_binder";

// Every lazy pointer is bound at load, so dyld's binder is never reached.
[[noreturn]] void lazyBindingAfterLoad() {
    std::fputs("Mach-O loader: a lazy pointer was left unbound\n", stderr);
    std::abort();
}

bool listed(const std::string& symbol, const char* const* begin, const char* const* end) {
    for (const char* const* name = begin; name != end; ++name) {
        if (symbol == *name) {
            return true;
        }
    }
    return false;
}

// C names on macOS carry a leading underscore that Linux's do not.
std::string linuxName(const std::string& symbol) {
    if (symbol.size() < 2 || symbol[0] != '_') {
        throw MachORefusal("symbol " + symbol + " is not a C or C++ name");
    }
    return symbol.substr(1);
}

std::string loaderMessage() {
    const char* message = dlerror();
    return message == nullptr ? "no reason given" : message;
}

void* symbolAt(std::uint64_t address) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)); }

template <typename Function>
Function functionAt(void* symbol) {
    Function function = nullptr;
    static_assert(sizeof(function) == sizeof(symbol), "function and object pointers differ");
    std::memcpy(&function, &symbol, sizeof(function));
    return function;
}

// The bus stand-in throws with libstdc++ and libgcc's unwinder, which cannot
// see the bundle's frames: their unwinding lives in libunwind, as on a Mac,
// where the bus and the plug-in share one C++ runtime. So the bundle calls
// the bus through these shims, which throw what the bus threw on as a
// std::bad_alloc of the bundle's own runtime. One bundle runtime per process.
struct BundleThrow {
    void* (*allocateException)(std::size_t) = nullptr;
    void (*constructBadAlloc)(void*) = nullptr;
    void (*destroyBadAlloc)(void*) = nullptr;
    const void* badAllocType = nullptr;
    void (*throwException)(void*, const void*, void (*)(void*)) = nullptr;
};
BundleThrow bundleThrow;
decltype(&AddEventListener) busAddEventListener = nullptr;
decltype(&DispatchEvent) busDispatchEvent = nullptr;

[[noreturn]] void throwBadAllocInBundleRuntime() {
    void* exception = bundleThrow.allocateException(sizeof(void*));
    bundleThrow.constructBadAlloc(exception);
    bundleThrow.throwException(exception, bundleThrow.badAllocType, bundleThrow.destroyBadAlloc);
    std::abort();
}

// Whether the call returned instead of throwing. Kept out of line, since the
// shims' own frames must have no catch of libstdc++'s for the bundle's
// exception to pass through.
template <typename Call>
__attribute__((noinline)) bool returned(Call&& call) noexcept {
    try {
        call();
        return true;
    } catch (...) {
        return false;
    }
}

std::int32_t shimAddEventListener(const char* eventType, EventBusCallback callback, void* userData) {
    std::int32_t result = 0;
    if (!returned([&] { result = busAddEventListener(eventType, callback, userData); })) {
        throwBadAllocInBundleRuntime();
    }
    return result;
}

std::int32_t shimDispatchEvent(const cflx::event::Event* event) {
    std::int32_t result = 0;
    if (!returned([&] { result = busDispatchEvent(event); })) {
        throwBadAllocInBundleRuntime();
    }
    return result;
}

}  // namespace

LinuxRuntime::LinuxRuntime() {
    if (kUnderAddressSanitizer) {
        throw MachORefusal("running Mach-O code needs its own C++ runtime loaded with RTLD_DEEPBIND, "
                           "which AddressSanitizer does not allow");
    }
    // Deep binding keeps libc++abi on libunwind and on itself, even in a host
    // that already has libstdc++ and libgcc's unwinder; never unloaded, as
    // libc++abi leaves thread-exit handlers behind.
    cxxRuntime = dlopen(kCxxRuntime, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND | RTLD_NODELETE);
    if (cxxRuntime == nullptr) {
        throw MachORefusal(std::string("the C++ runtime ") + kCxxRuntime + " (" + kCxxPackages +
                           ") cannot be loaded: " + loaderMessage());
    }
    bus = dlopen(kBusStandIn, RTLD_NOW | RTLD_NOLOAD);
    if (bus == nullptr) {
        dlclose(cxxRuntime);
        throw MachORefusal(std::string("the bus stand-in ") + kBusStandIn + " is not loaded in this process");
    }
    // libunwind's own names for registering one entry, unlike __register_frame,
    // which takes an entry in libunwind and a whole section in libgcc.
    addFrame = functionAt<void (*)(std::uintptr_t)>(dlsym(cxxRuntime, "__unw_add_dynamic_fde"));
    removeFrame = functionAt<void (*)(std::uintptr_t)>(dlsym(cxxRuntime, "__unw_remove_dynamic_fde"));
    if (addFrame == nullptr || removeFrame == nullptr) {
        dlclose(bus);
        dlclose(cxxRuntime);
        throw MachORefusal(std::string("the unwinder that ") + kCxxRuntime +
                           " uses cannot register frame descriptions (libunwind-14)");
    }
    prepareBusShims();
}

void LinuxRuntime::prepareBusShims() const {
    busAddEventListener = functionAt<decltype(busAddEventListener)>(dlsym(bus, "AddEventListener"));
    busDispatchEvent = functionAt<decltype(busDispatchEvent)>(dlsym(bus, "DispatchEvent"));
    bundleThrow.allocateException =
        functionAt<decltype(bundleThrow.allocateException)>(symbolAt(runtimeSymbol("__cxa_allocate_exception")));
    bundleThrow.constructBadAlloc =
        functionAt<decltype(bundleThrow.constructBadAlloc)>(symbolAt(runtimeSymbol("_ZNSt9bad_allocC1Ev")));
    bundleThrow.destroyBadAlloc =
        functionAt<decltype(bundleThrow.destroyBadAlloc)>(symbolAt(runtimeSymbol("_ZNSt9bad_allocD1Ev")));
    bundleThrow.badAllocType = symbolAt(runtimeSymbol("_ZTISt9bad_alloc"));
    bundleThrow.throwException =
        functionAt<decltype(bundleThrow.throwException)>(symbolAt(runtimeSymbol("__cxa_throw")));
}

LinuxRuntime::~LinuxRuntime() {
    if (bus != nullptr) {
        dlclose(bus);
    }
    if (cxxRuntime != nullptr) {
        dlclose(cxxRuntime);
    }
}

std::uint64_t LinuxRuntime::resolve(const std::string& library, const std::string& symbol) {
    if (library == kBusFramework) {
        return busSymbol(symbol);
    }
    if (library == kSystemCxx) {
        return runtimeSymbol(linuxName(symbol));
    }
    if (library == kSystem) {
        return systemSymbol(symbol);
    }
    throw MachORefusal("library " + library + " is not one this loader maps");
}

std::uint64_t LinuxRuntime::busSymbol(const std::string& symbol) const {
    if (!listed(symbol, std::begin(kBusFunctions), std::end(kBusFunctions))) {
        throw MachORefusal("symbol " + symbol + " is not one the bus framework exports");
    }
    if (busAddEventListener == nullptr || busDispatchEvent == nullptr) {
        throw MachORefusal("the bus stand-in has no " + linuxName(symbol));
    }
    const bool add = symbol == kBusFunctions[0];
    return add ? reinterpret_cast<std::uintptr_t>(&shimAddEventListener)
               : reinterpret_cast<std::uintptr_t>(&shimDispatchEvent);
}

std::uint64_t LinuxRuntime::systemSymbol(const std::string& symbol) const {
    if (symbol == kStubBinder) {
        return reinterpret_cast<std::uintptr_t>(&lazyBindingAfterLoad);
    }
    if (!listed(symbol, std::begin(kSystemFunctions), std::end(kSystemFunctions))) {
        throw MachORefusal("symbol " + symbol + " of " + kSystem + " is not one this loader maps");
    }
    return runtimeSymbol(linuxName(symbol));
}

std::uint64_t LinuxRuntime::runtimeSymbol(const std::string& name) const {
    const void* address = dlsym(cxxRuntime, name.c_str());
    if (address == nullptr) {
        throw MachORefusal("symbol _" + name + " is not in the Linux C++ runtime " + kCxxRuntime);
    }
    return reinterpret_cast<std::uintptr_t>(address);
}

void LinuxRuntime::registerFrame(const void* entry) const noexcept {
    addFrame(reinterpret_cast<std::uintptr_t>(entry));
}

void LinuxRuntime::deregisterFrame(const void* entry) const noexcept {
    removeFrame(reinterpret_cast<std::uintptr_t>(entry));
}
