#include "PluginModule.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

// The property list through which the host classifies a plug-in and finds
// its entry point: a resource of the named type "PIPL" with id 16000.
constexpr char kPropertyListType[] = "PIPL";
constexpr WORD kPropertyListID = 16000;
constexpr std::uint32_t kHostVendor = fourCharCode("9QKV");
constexpr std::uint32_t kKindKey = fourCharCode("kind");
constexpr std::uint32_t kEntryKeyX8664 = fourCharCode("8664");
constexpr std::uint32_t kPluginKind = fourCharCode("QVLZ");

// Header: 16-bit word, 32-bit word, 32-bit record count. Record: vendor, key,
// property id, data length, then the data.
constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kCountOffset = 6;
constexpr std::size_t kRecordHeadSize = 16;

std::uint32_t readUint32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t index = 4; index-- > 0;) {
        value = value << 8 | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + index]));
    }
    return value;
}

// The resource's bytes stay mapped as long as the module is loaded.
std::string_view propertyListOf(HMODULE module) noexcept {
    HRSRC const found = FindResourceA(module, MAKEINTRESOURCEA(kPropertyListID), kPropertyListType);
    HGLOBAL const loaded = found == nullptr ? nullptr : LoadResource(module, found);
    const void* const bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}

// The data of the property (vendor, key); nullopt when the list has no such
// property or is cut short before it. Every length is checked against what is
// left, so a damaged list is never read past its end.
std::optional<std::string_view> findProperty(std::string_view list, std::uint32_t vendor,
                                             std::uint32_t key) {
    if (list.size() < kHeaderSize) {
        return std::nullopt;
    }
    std::size_t offset = kHeaderSize;
    for (std::uint32_t remaining = readUint32(list, kCountOffset); remaining > 0; --remaining) {
        if (list.size() - offset < kRecordHeadSize) {
            return std::nullopt;
        }
        const std::size_t length = readUint32(list, offset + 12);
        const std::size_t dataOffset = offset + kRecordHeadSize;
        if (list.size() - dataOffset < length) {
            return std::nullopt;
        }
        if (readUint32(list, offset) == vendor && readUint32(list, offset + 4) == key) {
            return list.substr(dataOffset, length);
        }
        offset = dataOffset + length;
    }
    return std::nullopt;
}

bool isPluginOfOurKind(std::string_view list) {
    const std::optional<std::string_view> kind = findProperty(list, kHostVendor, kKindKey);
    return kind && kind->size() == 4 && readUint32(*kind, 0) == kPluginKind;
}

// The x86-64 entry point's name; its data() is terminated within the list.
std::optional<std::string_view> entryNameOf(std::string_view list) {
    const std::optional<std::string_view> data = findProperty(list, kHostVendor, kEntryKeyX8664);
    const std::size_t end = data ? data->find('\0') : std::string_view::npos;
    if (end == std::string_view::npos || end == 0) {
        return std::nullopt;
    }
    return data->substr(0, end);
}

// Empty when the list names a plug-in of our kind and its entry point.
std::string propertyListProblem(HMODULE module) {
    const std::string_view list = propertyListOf(module);
    if (list.empty()) {
        return "it carries no \"PIPL\" property list (resource 16000)";
    }
    if (!isPluginOfOurKind(list)) {
        return "its \"PIPL\" property list does not give the kind \"QVLZ\"";
    }
    if (!entryNameOf(list)) {
        return "its \"PIPL\" property list names no x86-64 entry point (\"8664\")";
    }
    return {};
}

std::string systemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length == 0 ? "" : std::string(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

// Without this the system may put up a dialog for a missing library, and an
// unattended run would wait for it.
HMODULE loadWithoutDialogs(const std::string& path) noexcept {
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    HMODULE const module = LoadLibraryA(path.c_str());
    const DWORD error = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    SetLastError(error);
    return module;
}

}  // namespace

PluginLoadError PluginModule::openLibrary() {
    HMODULE const module = loadWithoutDialogs(file);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        if (error == ERROR_MOD_NOT_FOUND || error == ERROR_PROC_NOT_FOUND) {
            return failureOf(PluginLoadFailure::dependencyMissing,
                             "a library or function it needs is missing: " + systemMessage(error));
        }
        return failureOf(PluginLoadFailure::notLoadable, "the loader refused it: " + systemMessage(error));
    }
    const std::string problem = propertyListProblem(module);
    if (!problem.empty()) {
        FreeLibrary(module);
        return failureOf(PluginLoadFailure::notLoadable, problem);
    }
    library = module;
    return PluginLoadError{};
}

// Called only after openLibrary found the entry point's name in the list.
KXPluginMainProc PluginModule::findEntryPoint() const noexcept {
    HMODULE const module = static_cast<HMODULE>(library);
    const std::optional<std::string_view> name = entryNameOf(propertyListOf(module));
    if (!name) {
        return nullptr;
    }
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<KXPluginMainProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, name->data())));
}

void PluginModule::closeLibrary() noexcept { FreeLibrary(static_cast<HMODULE>(library)); }
