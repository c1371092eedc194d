// Faults that only a test inside the process can stage: records the bus
// never delivers, host suites with missing members, and allocations that fail.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "ConfluxControl.h"
#include "Host.h"
#include "LMEventCatalogue.h"
#include "PluginModule.h"

namespace {

// Counts down the plug-in's own allocations (it binds operator new to the
// definitions below); the one that reaches zero fails. The host's and the
// bus's allocations are left alone.
long allocationsUntilFailure = 0;
void* pluginBase = nullptr;

bool failsHere(void* caller) {
    if (allocationsUntilFailure <= 0) {
        return false;
    }
    Dl_info where{};
    if (dladdr(caller, &where) == 0 || where.dli_fbase != pluginBase) {
        return false;
    }
    return --allocationsUntilFailure == 0;
}

void* allocate(std::size_t size) noexcept { return std::malloc(size == 0 ? 1 : size); }

}  // namespace

// Exported, so that the libraries of the process use these definitions too.
__attribute__((visibility("default"))) void* operator new(std::size_t size) {
    void* memory = failsHere(__builtin_return_address(0)) ? nullptr : allocate(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

__attribute__((visibility("default"))) void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return failsHere(__builtin_return_address(0)) ? nullptr : allocate(size);
}

__attribute__((visibility("default"))) void operator delete(void* memory) noexcept { std::free(memory); }
__attribute__((visibility("default"))) void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using LMEventCatalogue::kAddEventListener;
using LMEventCatalogue::kCppEvent;
using LMEventCatalogue::kListEventsRequest;
using LMEventCatalogue::kPingRequest;
using LMEventCatalogue::kRemoveEventListener;

struct Dispatched {
    std::string type;
    std::string payload;
};

class AdapterTest : public testing::Test {
protected:
    void SetUp() override {
        ConfluxControlReset();
        ConfluxControlObserveDispatches(&AdapterTest::recordDispatch, this);
        ConfluxControlObserveSubscriptions(&AdapterTest::recordSubscription, this);
        ASSERT_TRUE(plugin.isLoaded()) << plugin.error().message;
        Dl_info where{};
        ASSERT_NE(dladdr(reinterpret_cast<void*>(plugin.entryPoint()), &where), 0);
        pluginBase = where.dli_fbase;
    }

    void TearDown() override {
        allocationsUntilFailure = 0;
        ConfluxControlReset();
    }

    void startAndHookUp() {
        ASSERT_EQ(host.startup(plugin.entryPoint()), 0);
        host.fireIdle();
        ASSERT_EQ(handlers.size(), 4u);
    }

    void send(const char* type, const char* sender, const char* payload) {
        const cflx::event::Event request{type, 0, "EXT", sender, payload};
        DispatchEvent(&request);
    }

    // What the plug-in itself sent, the extensions' requests left out.
    std::vector<Dispatched> sentByPlugin() const {
        std::vector<Dispatched> sent;
        for (const Dispatched& event : dispatched) {
            if (event.type.find("Response") != std::string::npos || event.type.find("CppEvent") != std::string::npos) {
                sent.push_back(event);
            }
        }
        return sent;
    }

    std::size_t installedFor(std::uint32_t eventID) const {
        std::size_t count = 0;
        for (const NotifierInstallation& installation : host.installedNotifiers()) {
            count += installation.eventID == eventID ? 1 : 0;
        }
        return count;
    }

    void expectCleanRun() {
        EXPECT_EQ(host.shutdown(plugin.entryPoint()), 0);
        EXPECT_TRUE(host.finishRun().empty()) << host.finishRun().front();
    }

    static void recordDispatch(const cflx::event::Event* event, void* context) {
        if (event != nullptr && event->eventType != nullptr) {
            static_cast<AdapterTest*>(context)->dispatched.push_back(
                {event->eventType, event->payload == nullptr ? "<null>" : event->payload});
        }
    }

    static void recordSubscription(const char* type, EventBusCallback callback, void*, std::int32_t status,
                                   void* context) {
        if (status == 0) {
            static_cast<AdapterTest*>(context)->handlers[type] = callback;
        }
    }

    static void idleOnFirstSubscription(const char*, EventBusCallback, void*, std::int32_t, void* context) {
        auto* test = static_cast<AdapterTest*>(context);
        if (!test->idleSentInside) {
            test->idleSentInside = true;
            test->host.fireIdle();
        }
    }

    static void shutDownOnEvent(const cflx::event::Event*, void* context) {
        auto* test = static_cast<AdapterTest*>(context);
        ++test->shutdownsInside;
        EXPECT_EQ(test->host.shutdown(test->plugin.entryPoint()), 0);
    }

    PluginModule plugin{QUAYLINE_PLUGIN_PATH};
    Host host;
    int shutdownsInside = 0;
    bool idleSentInside = false;
    std::vector<Dispatched> dispatched;
    std::map<std::string, EventBusCallback> handlers;
};

// The bus never delivers these; a handler must survive them all the same.
TEST_F(AdapterTest, HandlersIgnoreANullRecordAndNullTexts) {
    startAndHookUp();
    for (const char* type : {kAddEventListener, kRemoveEventListener, kPingRequest, kListEventsRequest}) {
        handlers.at(type)(nullptr, nullptr);
    }
    const cflx::event::Event noSender{kAddEventListener, 0, "EXT", nullptr, "7"};
    const cflx::event::Event noPayload{kAddEventListener, 0, "EXT", "ext", nullptr};
    for (const char* type : {kAddEventListener, kRemoveEventListener}) {
        handlers.at(type)(&noSender, nullptr);
        handlers.at(type)(&noPayload, nullptr);
    }
    handlers.at(kListEventsRequest)(&noSender, nullptr);

    EXPECT_TRUE(sentByPlugin().empty());
    EXPECT_EQ(installedFor(7), 0u);
    expectCleanRun();
}

struct MissingMember {
    const char* name;
    void (*remove)(Host&);
    std::int32_t startupResult;
    bool suiteHeldAfterStartup;
};

void PrintTo(const MissingMember& missing, std::ostream* out) { *out << missing.name; }

class MissingMemberTest : public AdapterTest, public testing::WithParamInterface<MissingMember> {};

TEST_P(MissingMemberTest, StartupReportsItAndShutdownStillReturnsWhatWasFetched) {
    GetParam().remove(host);
    EXPECT_EQ(host.startup(plugin.entryPoint()), GetParam().startupResult);
    EXPECT_EQ(host.actionControlHeld(), GetParam().suiteHeldAfterStartup);
    host.shutdown(plugin.entryPoint());
    EXPECT_FALSE(host.actionControlHeld());
    EXPECT_TRUE(host.installedNotifiers().empty());
}

INSTANTIATE_TEST_SUITE_P(
    HostSuites, MissingMemberTest,
    testing::Values(
        MissingMember{"sameString", [](Host& h) { h.coreSuite().sameString = nullptr; }, -50, false},
        MissingMember{"fetchSuite", [](Host& h) { h.coreSuite().fetchSuite = nullptr; }, -50, false},
        MissingMember{"lookupEventID", [](Host& h) { h.actionControl().lookupEventID = nullptr; }, -50, true},
        MissingMember{"addNotifier", [](Host& h) { h.actionControl().addNotifier = nullptr; }, -50, true}),
    [](const testing::TestParamInfo<MissingMember>& info) { return std::string(info.param.name); });

TEST_F(AdapterTest, AMessageWithoutCoreSuiteIsRefused) {
    EXPECT_EQ(host.callPluginMain(plugin.entryPoint(), "KX Interface", "Startup", Host::MessageShape::nullCoreSuite), -50);
    EXPECT_EQ(host.callPluginMain(plugin.entryPoint(), "KX Interface", "Startup", Host::MessageShape::nullMessage), -50);
    EXPECT_FALSE(host.actionControlHeld());
}

TEST_F(AdapterTest, NoMemoryForTheRegistryFailsStartupAndLeavesTheSuiteToShutdown) {
    allocationsUntilFailure = 1;  // Startup's only allocation is the registry
    EXPECT_EQ(host.startup(plugin.entryPoint()), -108);
    allocationsUntilFailure = 0;
    EXPECT_TRUE(host.actionControlHeld());
    EXPECT_TRUE(host.installedNotifiers().empty());
    expectCleanRun();
}

struct FailingRequest {
    const char* name;
    const char* type;
};

void PrintTo(const FailingRequest& request, std::ostream* out) { *out << request.name; }

class FailingRequestTest : public AdapterTest, public testing::WithParamInterface<FailingRequest> {};

// Far more than any request makes.
constexpr long kMostAllocationsOfARequest = 64;

// Each allocation of the request fails in turn: the request is dropped, the
// host's notifiers still match what a list reports, and the next one works.
TEST_P(FailingRequestTest, DropsTheRequestAndKeepsHostAndRegistryInStep) {
    startAndHookUp();
    send(kAddEventListener, "other", "8");
    const std::string listener(64, 'l');  // long enough that every copy allocates
    int dropped = 0;
    bool completed = false;
    for (long failAt = 1; failAt <= kMostAllocationsOfARequest && !completed; ++failAt) {
        send(kAddEventListener, listener.c_str(), "9");
        dispatched.clear();
        allocationsUntilFailure = failAt;
        send(GetParam().type, listener.c_str(), "9");
        const bool failed = allocationsUntilFailure == 0;
        allocationsUntilFailure = 0;
        dispatched.clear();
        send(kListEventsRequest, listener.c_str(), "");
        const bool listed = sentByPlugin().at(0).payload.find("\"9\"") != std::string::npos;
        EXPECT_EQ(installedFor(9), listed ? 1u : 0u) << "allocation " << failAt;
        EXPECT_EQ(installedFor(8), 1u);
        for (int removals = 0; removals < 2 && installedFor(9) > 0; ++removals) {
            send(kRemoveEventListener, listener.c_str(), "9");
        }
        ASSERT_EQ(installedFor(9), 0u) << "allocation " << failAt;
        completed = !failed;
        dropped += failed ? 1 : 0;
    }
    EXPECT_TRUE(completed) << "the request still failed after " << kMostAllocationsOfARequest << " allocations";
    EXPECT_GT(dropped, 0);
    expectCleanRun();
}

INSTANTIATE_TEST_SUITE_P(Requests, FailingRequestTest,
                         testing::Values(FailingRequest{"add", kAddEventListener},
                                         FailingRequest{"remove", kRemoveEventListener},
                                         FailingRequest{"list", kListEventsRequest}),
                         [](const testing::TestParamInfo<FailingRequest>& info) {
                             return std::string(info.param.name);
                         });

// The host reads as many bytes of sameString's register as its boolean has:
// one here, so 0x100 is false and 0x101 true.
TEST_F(AdapterTest, SameStringIsReadInTheHostsBooleanWidth) {
    host.scriptSameStringAnswers({0x100});
    EXPECT_EQ(host.startup(plugin.entryPoint()), 0);
    EXPECT_FALSE(host.actionControlHeld()) << "0x100 was read as true";

    host.scriptSameStringAnswers({0x101, 0x101});
    EXPECT_EQ(host.startup(plugin.entryPoint()), 0);
    EXPECT_TRUE(host.actionControlHeld());
    expectCleanRun();
}

// A host that calls PluginMain from inside its own calls: a Shutdown that
// comes while an add is under way waits for it, so the registry is not freed
// under the add's feet and nothing is left installed.
TEST_F(AdapterTest, ShutdownFromInsideAnAddWaitsForTheAdd) {
    startAndHookUp();
    ASSERT_EQ(AddEventListener(kCppEvent, &AdapterTest::shutDownOnEvent, this), 0);
    host.notifyInsideNextAdds(1);

    send(kAddEventListener, "ext", "7");

    EXPECT_EQ(shutdownsInside, 1);
    EXPECT_FALSE(host.actionControlHeld());
    EXPECT_TRUE(host.installedNotifiers().empty());
    EXPECT_TRUE(host.finishRun().empty()) << host.finishRun().front();
    send(kAddEventListener, "ext", "8");
    EXPECT_TRUE(host.installedNotifiers().empty());
}

// An idle notification that comes back while the hook-up is subscribing (here
// from inside the bus's first AddEventListener) must not subscribe a handler
// a second time.
TEST_F(AdapterTest, IdleNotificationFromInsideTheHookUpSubscribesNothingTwice) {
    ASSERT_EQ(host.startup(plugin.entryPoint()), 0);
    ConfluxControlObserveSubscriptions(&AdapterTest::idleOnFirstSubscription, this);

    host.fireIdle();

    for (const char* type : {kAddEventListener, kRemoveEventListener, kPingRequest, kListEventsRequest}) {
        EXPECT_EQ(ConfluxControlSubscriberCount(type), 1) << type;
    }
    EXPECT_EQ(installedFor(host.idleEventID()), 0u);
    expectCleanRun();
}

TEST_F(AdapterTest, NotificationsNeedNoMemory) {
    startAndHookUp();
    send(kAddEventListener, "ext", "4294967295");
    dispatched.clear();
    allocationsUntilFailure = 1;
    host.fireEvent(4294967295u);
    const long left = allocationsUntilFailure;
    allocationsUntilFailure = 0;
    EXPECT_EQ(left, 1) << "the plug-in allocated while forwarding";
    ASSERT_EQ(sentByPlugin().size(), 1u);
    EXPECT_EQ(sentByPlugin()[0].payload, "<![CDATA[<event id=\"4294967295\" />]]>");
    expectCleanRun();
}

}  // namespace
