// The Mach-O loader on the cross-built bundle: damaged files are refused with
// a message naming what was met, never a crash, and the plug-in's own
// exception paths work inside the loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BindReader.h"
#include "BundleInfo.h"
#include "ByteCursor.h"
#include "ConfluxControl.h"
#include "ExportTrie.h"
#include "Host.h"
#include "KXPluginMain.h"
#include "LMEventCatalogue.h"
#include "LinuxRuntime.h"
#include "MachOBundle.h"
#include "MachOFile.h"
#include "MachORefusal.h"
#include "RebaseReader.h"

namespace {

const std::filesystem::path kBundle = QUAYLINE_MACOS_BUNDLE;
constexpr std::uint32_t kEvent = 7;
constexpr std::size_t kMachHeaderSize = 32;
constexpr std::uint8_t kDamages[] = {0x00, 0x80, 0xFF};

std::vector<std::uint8_t> executableBytes() {
    std::ifstream file(BundleInfo::read(kBundle).executable(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::size_t offsetOf(const std::vector<std::uint8_t>& bytes, const std::string& text) {
    return static_cast<std::size_t>(std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) - bytes.begin());
}

// Everything the loader reads before it maps anything.
void readAll(const std::vector<std::uint8_t>& bytes) {
    const MachOFile file(bytes);
    const SegmentBounds bounds(file.segments());
    RebaseReader::read(file.rebaseInfo(), bounds);
    BindReader::read(file.bindInfo(), bounds, BindReader::Table::eager);
    BindReader::read(file.weakBindInfo(), bounds, BindReader::Table::eager);
    BindReader::read(file.lazyBindInfo(), bounds, BindReader::Table::lazy);
    ExportTrie::find(file.exportInfo(), "_PluginMain");
}

std::string refusalOf(const std::vector<std::uint8_t>& bytes) {
    try {
        readAll(bytes);
    } catch (const MachORefusal& refusal) {
        return refusal.what();
    }
    return "";
}

class MachOBundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kBundle / "Contents" / "Info.plist")) {
            GTEST_SKIP() << "no cross-built bundle at " << kBundle << " (macos.cross_bundle builds it)";
        }
        intact = executableBytes();
    }

    std::vector<std::uint8_t> intact;
};

TEST_F(MachOBundleTest, DamageIsRefusedByName) {
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint8_t value;
        std::string refusal;
    };
    // The first bus function's name in the lazy bind information follows the
    // opcode that sets it.
    const std::size_t symbolOpcode = offsetOf(intact, std::string("_DispatchEvent\0", 15)) - 1;
    const Case cases[] = {
        {"magic", 0, 0xCE, "not a 64-bit little-endian Mach-O file"},
        {"file type", 12, 0x06, "file type 6 is not MH_BUNDLE"},
        {"load command", kMachHeaderSize, 0x77, "unknown load command 0x77"},
        {"bind opcode", symbolOpcode, 0xE0, "unknown bind opcode 0xE0"},
        {"weak import", symbolOpcode, 0x41, "weak import of _DispatchEvent is not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> damaged = intact;
        damaged.at(c.offset) = c.value;
        const std::string refusal = refusalOf(damaged);
        EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    }
    EXPECT_EQ(refusalOf(intact), "");
}

// Each byte of the header, the load commands and the link-edit data set to
// each of a few values, and the file cut short at many lengths: each is read
// or refused with a MachORefusal, any other exception fails the test, and the
// sanitizer builds watch the memory.
TEST_F(MachOBundleTest, EverySingleDamageIsReadOrRefused) {
    const MachOFile file(intact);
    const MachOSegment& linkEdit = file.segments().back();
    ASSERT_EQ(linkEdit.name, "__LINKEDIT");
    const std::size_t commandsEnd = kMachHeaderSize + ByteCursor(intact.data() + 20, 4, "size").u32();
    std::vector<std::size_t> offsets;
    for (std::size_t offset = 0; offset < commandsEnd; ++offset) {
        offsets.push_back(offset);
    }
    for (std::size_t offset = linkEdit.fileOffset; offset < intact.size(); ++offset) {
        offsets.push_back(offset);
    }
    for (const std::size_t offset : offsets) {
        for (const std::uint8_t value : kDamages) {
            std::vector<std::uint8_t> damaged = intact;
            damaged[offset] = value;
            SCOPED_TRACE("byte " + std::to_string(offset));
            refusalOf(damaged);
        }
    }
    for (std::size_t length = 0; length < intact.size(); length += 7) {
        const std::vector<std::uint8_t> cut(intact.begin(), intact.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_NE(refusalOf(cut), "") << "cut at " << length;
    }
}

// libc++'s operator new, or, while failing, libc++ throwing std::bad_alloc
// as operator new does: the exception starts in libc++abi and unwinds
// through the bundle's own frames to its handlers.
class FailingAllocations : public LinuxRuntime {
public:
    bool failing = false;

    std::uint64_t resolve(const std::string& library, const std::string& symbol) override {
        if (symbol == "__Znwm") {
            allocate = reinterpret_cast<void* (*)(std::size_t)>(runtimeSymbol("_Znwm"));
            throwBadAlloc = reinterpret_cast<void (*)()>(runtimeSymbol("_ZSt17__throw_bad_allocv"));
            active = this;
            return reinterpret_cast<std::uintptr_t>(&operatorNew);
        }
        return LinuxRuntime::resolve(library, symbol);
    }

private:
    static void* operatorNew(std::size_t size) {
        if (active->failing) {
            active->throwBadAlloc();
        }
        return active->allocate(size);
    }

    static FailingAllocations* active;
    void* (*allocate)(std::size_t) = nullptr;
    void (*throwBadAlloc)() = nullptr;
};

FailingAllocations* FailingAllocations::active = nullptr;

// The runtime, or null and why it cannot run here (a package missing, or a
// sanitizer that forbids it).
template <typename Runtime>
std::unique_ptr<Runtime> runtimeHere(std::string& why) {
    try {
        return std::make_unique<Runtime>();
    } catch (const MachORefusal& refusal) {
        why = refusal.what();
        return nullptr;
    }
}

std::unique_ptr<MachOBundle> loadWith(std::unique_ptr<LinuxRuntime> runtime) {
    try {
        return MachOBundle::load(kBundle, std::move(runtime));
    } catch (const MachORefusal& refusal) {
        ADD_FAILURE() << refusal.what();
        return nullptr;
    }
}

bool notifierInstalled(const Host& host, std::uint32_t eventID) {
    for (const NotifierInstallation& installation : host.installedNotifiers()) {
        if (installation.eventID == eventID) {
            return true;
        }
    }
    return false;
}

// A bus request that runs out of memory is dropped by the plug-in's own
// handler, and the next one is served.
TEST_F(MachOBundleTest, OutOfMemoryIsCaughtInsideTheBundle) {
    std::string why;
    std::unique_ptr<FailingAllocations> runtime = runtimeHere<FailingAllocations>(why);
    if (runtime == nullptr) {
        GTEST_SKIP() << why;
    }
    FailingAllocations& allocations = *runtime;
    const std::unique_ptr<MachOBundle> bundle = loadWith(std::move(runtime));
    ASSERT_NE(bundle, nullptr);
    const auto entry = reinterpret_cast<KXPluginMainProc>(bundle->entryPoint());
    ConfluxControlReset();
    Host host;

    ASSERT_EQ(host.startup(entry), 0);
    host.fireIdle();
    const cflx::event::Event add{LMEventCatalogue::kAddEventListener, 0, "TEST", "test.extension", "7"};

    allocations.failing = true;
    EXPECT_EQ(DispatchEvent(&add), 0);
    EXPECT_FALSE(notifierInstalled(host, kEvent));
    allocations.failing = false;
    EXPECT_EQ(DispatchEvent(&add), 0);
    EXPECT_TRUE(notifierInstalled(host, kEvent));
    EXPECT_EQ(host.shutdown(entry), 0);

    EXPECT_EQ(host.finishRun(), std::vector<std::string>{});
    ConfluxControlReset();
}

TEST_F(MachOBundleTest, AnImportThisLoaderDoesNotMapIsRefusedByName) {
    std::string why;
    std::unique_ptr<LinuxRuntime> runtime = runtimeHere<LinuxRuntime>(why);
    if (runtime == nullptr) {
        GTEST_SKIP() << why;
    }
    std::vector<std::uint8_t> renamed = intact;
    renamed.at(offsetOf(renamed, std::string("_memcmp\0", 8)) + 6) = 'q';
    const std::filesystem::path copy = std::filesystem::path(::testing::TempDir()) / "Renamed.plugin";
    std::filesystem::remove_all(copy);
    std::filesystem::copy(kBundle, copy, std::filesystem::copy_options::recursive);
    std::ofstream(BundleInfo::read(copy).executable(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(renamed.data()), static_cast<std::streamsize>(renamed.size()));

    try {
        MachOBundle::load(copy, std::move(runtime));
        ADD_FAILURE() << "loaded a bundle importing _memcmq";
    } catch (const MachORefusal& refusal) {
        EXPECT_NE(std::string(refusal.what()).find("symbol _memcmq of /usr/lib/libSystem.B.dylib is not one this loader maps"),
                  std::string::npos)
            << refusal.what();
    }
    std::filesystem::remove_all(copy);
}

}  // namespace
