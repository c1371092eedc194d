#include "BundleInfo.h"

#include <fstream>
#include <sstream>

#include "MachORefusal.h"

namespace {

constexpr const char* kBlanks = " \t\r\n";

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

BundleInfo BundleInfo::read(const std::filesystem::path& bundle) {
    const std::filesystem::path listPath = bundle / "Contents" / "Info.plist";
    std::ifstream file(listPath, std::ios::binary);
    if (!file.is_open()) {
        throw MachORefusal("the bundle has no readable Contents/Info.plist");
    }
    std::ostringstream text;
    text << file.rdbuf();
    const std::string list = text.str();
    BundleInfo info;
    const std::string executable = stringValue(list, "CFBundleExecutable");
    info.entry = "_" + stringValue(list, "KXPlugInEntryPoint");
    if (!isPlainName(executable)) {
        throw MachORefusal("Info.plist names the executable \"" + executable + "\", which is not a file name");
    }
    info.executablePath = bundle / "Contents" / "MacOS" / executable;
    return info;
}

// The text of the <string> element that follows <key>key</key>; entities and
// other value types are refused rather than misread.
std::string BundleInfo::stringValue(const std::string& list, const std::string& key) {
    const std::string keyElement = "<key>" + key + "</key>";
    const std::size_t keyAt = list.find(keyElement);
    const std::size_t valueAt = keyAt == std::string::npos ? keyAt : list.find_first_not_of(kBlanks, keyAt + keyElement.size());
    const std::string open = "<string>";
    const std::size_t close = valueAt == std::string::npos ? valueAt : list.find("</string>", valueAt);
    if (close == std::string::npos || list.compare(valueAt, open.size(), open) != 0) {
        throw MachORefusal("Info.plist has no string " + key);
    }
    std::string value = list.substr(valueAt + open.size(), close - valueAt - open.size());
    if (value.empty() || value.find_first_of("<&") != std::string::npos) {
        throw MachORefusal("Info.plist's " + key + " is not a plain string");
    }
    return value;
}
