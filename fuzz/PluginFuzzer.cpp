// Differential fuzzing of the whole plug-in through its real entry points:
// every input loads the built binary afresh and is a sequence of host calls,
// host events, extension requests and scripted host and bus answers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzAlphabet.h"
#include "FuzzInput.h"
#include "LMEventCatalogue.h"
#include "PluginDifferential.h"
#include "RegistryModel.h"

namespace {

// The idle event's id spelt as an event text, so an extension can listen to
// the very event that drives the bus hook-up.
const std::string kIdleEventText = std::to_string(Host::kDefaultIdleEventID);

const char* const kRequestTypes[] = {LMEventCatalogue::kAddEventListener,
                                     LMEventCatalogue::kAddEventListener,
                                     LMEventCatalogue::kRemoveEventListener,
                                     LMEventCatalogue::kPingRequest,
                                     LMEventCatalogue::kListEventsRequest,
                                     LMEventCatalogue::kCppEvent};

const HostCallKind kScriptedCalls[] = {HostCallKind::fetchSuite, HostCallKind::lookupEventID,
                                       HostCallKind::addNotifier, HostCallKind::addNotifier,
                                       HostCallKind::removeNotifier, HostCallKind::removeNotifier};

// One choice in sixteen is null.
std::optional<std::string> nullableText(FuzzInput& input, bool listener) {
    const std::uint8_t choice = input.byte();
    if (choice % 16 == 15) {
        return std::nullopt;
    }
    if (!listener && choice % 16 == 14) {
        return kIdleEventText;
    }
    return listener ? FuzzAlphabet::listener(choice) : FuzzAlphabet::eventText(choice);
}

template <typename Item, std::size_t count>
const Item& pick(FuzzInput& input, const Item (&items)[count]) {
    return items[input.choice(count)];
}

std::uint32_t firedEvent(FuzzInput& input) {
    const std::uint8_t choice = input.byte();
    return choice % 4 == 0 ? Host::kDefaultIdleEventID
                           : RegistryModel::eventID(FuzzAlphabet::eventText(choice / 4u));
}

PluginAction extensionRequest(FuzzInput& input) {
    const char* type = pick(input, kRequestTypes);
    std::optional<std::string> sender = nullableText(input, true);
    return PluginAction::request(type, std::move(sender), nullableText(input, false));
}

// The first twelve choices keep the meaning they had before the last four
// were added, so the corpus still says what its names say.
PluginAction decode(FuzzInput& input) {
    switch (input.choice(16)) {
    case 0:
        return PluginAction::of(PluginAction::Kind::startup);
    case 1:
        return PluginAction::of(PluginAction::Kind::shutdown);
    case 2:
        return PluginAction::fire(Host::kDefaultIdleEventID);
    case 3:
        return PluginAction::fire(firedEvent(input));
    case 4:
        return PluginAction::scriptHost(pick(input, kScriptedCalls), FuzzAlphabet::status(input.byte()));
    case 5:
        return PluginAction::scriptBus(pick(input, LMEventCatalogue::kRequests),
                                       FuzzAlphabet::status(input.byte()));
    case 6:
        return PluginAction::of(input.byte() % 2 == 0 ? PluginAction::Kind::foreignCaller
                                                      : PluginAction::Kind::otherSelector);
    case 12:
        return PluginAction::of(PluginAction::Kind::notifyInsideAdd);
    case 13:
        return PluginAction::throwFromBus(pick(input, LMEventCatalogue::kRequests), true);
    case 14:
        return PluginAction::throwFromBus(pick(input, LMEventCatalogue::kSent), false);
    case 15: {
        const char* trigger = pick(input, LMEventCatalogue::kSent);
        return PluginAction::requestDuring(trigger, extensionRequest(input));
    }
    default:
        return extensionRequest(input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    PluginDifferential run(QUAYLINE_PLUGIN_PATH);
    while (!input.exhausted()) {
        run.apply(decode(input));
    }
    run.finish();
    return 0;
}
