// What a host reads from a bundle's Contents/Info.plist before loading it.
#pragma once

#include <filesystem>
#include <string>

class BundleInfo {
public:
    // Reads the XML property list; refuses (MachORefusal) a list without a
    // CFBundleExecutable or KXPlugInEntryPoint string, or an executable name
    // that would lead out of Contents/MacOS.
    static BundleInfo read(const std::filesystem::path& bundle);

    const std::filesystem::path& executable() const noexcept { return executablePath; }
    // As the host looks it up: the C name, with macOS's leading underscore.
    const std::string& entrySymbol() const noexcept { return entry; }

private:
    static std::string stringValue(const std::string& list, const std::string& key);

    std::filesystem::path executablePath;
    std::string entry;
};
