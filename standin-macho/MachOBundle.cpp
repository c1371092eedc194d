#include "MachOBundle.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "BundleInfo.h"
#include "MachORefusal.h"

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        throw MachORefusal("the executable " + path.string() + " cannot be read");
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

MachOBundle::MachOBundle(std::vector<std::uint8_t> contents, std::unique_ptr<LinuxRuntime> linuxRuntime)
    : bytes(std::move(contents)), runtime(std::move(linuxRuntime)), file(bytes), image(file, *runtime) {}

std::unique_ptr<MachOBundle> MachOBundle::load(const std::filesystem::path& bundle,
                                               std::unique_ptr<LinuxRuntime> runtime) {
    const BundleInfo info = BundleInfo::read(bundle);
    std::unique_ptr<MachOBundle> loaded(new MachOBundle(fileBytes(info.executable()), std::move(runtime)));
    loaded->entry = loaded->image.exported(info.entrySymbol());
    return loaded;
}
