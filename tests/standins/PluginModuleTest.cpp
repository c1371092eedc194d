// Loading plug-in binaries, the load errors told apart, and a fake plug-in
// driven through both stand-ins.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ConfluxControl.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

TEST(PluginModuleTest, LoadFailuresAreToldApart) {
    struct Case {
        const char* name;
        std::string path;
        PluginLoadFailure failure;
        std::string explanation;
    };
    const std::string pluginFolder = std::filesystem::path(FAKE_PLUGIN).parent_path().string();
    const Case cases[] = {
        {"missing file", pluginFolder + "/no-such-plugin.so", PluginLoadFailure::fileNotFound,
         "no such file"},
        {"folder", pluginFolder, PluginLoadFailure::fileUnreadable, "not a regular file"},
        {"not a library", NOT_A_LIBRARY, PluginLoadFailure::notLoadable, "the loader refused it"},
        {"missing dependency", FAKE_PLUGIN_MISSING_DEPENDENCY, PluginLoadFailure::dependencyMissing,
         "libstandin_fake_dependency.so"},
        {"no entry point", FAKE_PLUGIN_WITHOUT_ENTRY, PluginLoadFailure::entryPointMissing,
         "it exports no PluginMain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);

        const PluginModule module(c.path);

        EXPECT_FALSE(module.isLoaded());
        EXPECT_EQ(module.entryPoint(), nullptr);
        EXPECT_EQ(module.error().kind, c.failure);
        EXPECT_NE(module.error().message.find(c.path), std::string::npos) << module.error().message;
        EXPECT_NE(module.error().message.find(c.explanation), std::string::npos)
            << module.error().message;
    }
}

TEST(PluginModuleTest, LoadedPluginOffersItsEntryPointUntilUnloaded) {
    PluginModule module(FAKE_PLUGIN);
    ASSERT_TRUE(module.isLoaded()) << module.error().message;
    EXPECT_FALSE(module.error().failed());
    EXPECT_NE(module.entryPoint(), nullptr);

    PluginModule moved(std::move(module));
    // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is under test.
    EXPECT_FALSE(module.isLoaded());
    EXPECT_EQ(module.entryPoint(), nullptr);
    ASSERT_TRUE(moved.isLoaded());

    moved.unload();
    EXPECT_FALSE(moved.isLoaded());
    EXPECT_EQ(moved.entryPoint(), nullptr);
}

void recordDispatchedType(const cflx::event::Event* event, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(event->eventType);
}

// The plug-in binds to the bus library the tests use, so both see one bus.
TEST(PluginModuleTest, FakePluginRunsAgainstBothStandIns) {
    ConfluxControlReset();
    std::vector<std::string> dispatched;
    ConfluxControlObserveDispatches(recordDispatchedType, &dispatched);
    const PluginModule module(FAKE_PLUGIN);
    ASSERT_TRUE(module.isLoaded()) << module.error().message;
    Host host;

    EXPECT_EQ(host.startup(module.entryPoint()), 0);
    host.fireIdle();
    const cflx::event::Event ping{"standin.fake.Ping", 0, "TEST", "test.extension", ""};
    EXPECT_EQ(DispatchEvent(&ping), 0);
    EXPECT_EQ(host.shutdown(module.entryPoint()), 0);

    EXPECT_EQ(ConfluxControlSubscriberCount("standin.fake.Ping"), 1);
    EXPECT_EQ(dispatched, (std::vector<std::string>{"standin.fake.Ping", "standin.fake.Pong"}));
    EXPECT_TRUE(host.installedNotifiers().empty());
    EXPECT_EQ(host.finishRun(), std::vector<std::string>{});
    ConfluxControlReset();
}

}  // namespace
