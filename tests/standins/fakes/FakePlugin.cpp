// The smallest plug-in that uses both stand-ins: on the first idle
// notification it subscribes to a ping on the bus, which it answers.
#include <cstdint>

#include "Conflux.h"
#include "KXMessage.h"
#include "KXPluginMain.h"
#include "LMActionControlProcs.h"

namespace {

constexpr const char* kPingType = "standin.fake.Ping";
constexpr const char* kPongType = "standin.fake.Pong";

LMActionControlProcs* actionControl = nullptr;
KXPlugin* self = nullptr;

void answerPing(const cflx::event::Event*, void*) {
    const cflx::event::Event pong{kPongType, 0, "FAKE", nullptr, ""};
    DispatchEvent(&pong);
}

void hookBusOnIdle(std::uint32_t eventID, _ADsc*, std::int32_t, void*) {
    if (AddEventListener(kPingType, answerPing, nullptr) == 0) {
        actionControl->removeNotifier(self, eventID);
    }
}

std::int32_t start(const KXMessage& message) {
    const void* suite = nullptr;
    const KXErr fetched =
        message.coreSuite->fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite);
    if (fetched != 0) {
        return fetched;
    }
    actionControl = static_cast<LMActionControlProcs*>(const_cast<void*>(suite));
    self = message.plugin;
    std::uint32_t idle = 0;
    const LMErr found = actionControl->lookupEventID("idle", &idle);
    return found != 0 ? found : actionControl->addNotifier(self, idle, hookBusOnIdle, nullptr);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t PluginMain(KXString caller,
                                                                          KXString selector,
                                                                          KXMessage* message) {
    const KXCoreSuite& core = *message->coreSuite;
    if (!core.sameString(caller, kKXInterfaceCaller)) {
        return 0;
    }
    if (core.sameString(selector, kKXStartupSelector)) {
        return start(*message);
    }
    if (core.sameString(selector, kKXShutdownSelector)) {
        core.returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
    }
    return 0;
}
