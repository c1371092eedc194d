#include "PluginModel.h"

#include <algorithm>

#include "BusCatalogue.h"
#include "Host.h"
#include "KXPluginMain.h"
#include "LMActionControlProcs.h"

namespace {

HostCall callOf(HostCallKind kind) { return HostCall{kind, {}}; }

HostCall suiteCall(HostCallKind kind) {
    HostCall call = callOf(kind);
    call.texts = {std::string(kLMActionControlSuite)};
    call.version = kLMActionControlSuiteVersion;
    return call;
}

HostCall notifierCall(HostCallKind kind, std::uint32_t eventID) {
    HostCall call = callOf(kind);
    call.eventID = eventID;
    return call;
}

}  // namespace

void PluginModel::apply(const PluginAction& action) {
    switch (action.kind) {
    case PluginAction::Kind::startup:
        return pluginMain(kKXInterfaceCaller, kKXStartupSelector);
    case PluginAction::Kind::shutdown:
        return pluginMain(kKXInterfaceCaller, kKXShutdownSelector);
    case PluginAction::Kind::foreignCaller:
        return pluginMain(PluginAction::kForeignCaller, kKXStartupSelector);
    case PluginAction::Kind::otherSelector:
        return pluginMain(kKXInterfaceCaller, PluginAction::kOtherSelector);
    case PluginAction::Kind::fire:
        return fire(action.eventID);
    case PluginAction::Kind::request:
        return request(action);
    case PluginAction::Kind::scriptHost:
        hostAnswers[action.hostCall].push_back(action.status);
        return;
    case PluginAction::Kind::scriptBus:
        busAnswers[action.busType].push_back(action.status);
        return;
    }
}

int PluginModel::subscriptions(const std::string& busType) const {
    const auto found = subscribed.find(busType);
    return found == subscribed.end() ? 0 : found->second;
}

void PluginModel::pluginMain(const std::string& caller, const std::string& selector) {
    std::int32_t result = 0;
    if (sameString(caller, kKXInterfaceCaller)) {
        if (sameString(selector, kKXStartupSelector)) {
            result = startup();
        } else if (sameString(selector, kKXShutdownSelector)) {
            shutdown();
        }
    }
    HostCall call = callOf(HostCallKind::pluginMain);
    call.texts = {caller, selector};
    log(call, result);
}

// A repeated Startup resumes at the step that failed, unless the plug-in is
// already waiting for the bus or hooked up.
std::int32_t PluginModel::startup() {
    if (!held) {
        const std::int32_t fetched =
            log(suiteCall(HostCallKind::fetchSuite), answer(HostCallKind::fetchSuite));
        if (fetched != 0) {
            return fetched;
        }
        held = true;
    } else if (listeners && (idleInstalled || hooked)) {
        return 0;
    }
    if (!listeners) {
        listeners.emplace();
        listeners->answerThrough(
            [this](RegistryModel::CallKind kind, std::uint32_t eventID, std::int32_t status) {
                return answerRegistryCall(kind, eventID, status);
            });
    }
    HostCall lookup = callOf(HostCallKind::lookupEventID);
    lookup.texts = {std::string("idle")};
    const std::int32_t looked = RegistryModel::asReturned(answer(HostCallKind::lookupEventID));
    if (looked == 0) {
        lookup.eventID = idleEventID;
        idleLoaded = idleEventID;
    }
    if (log(lookup, looked) != 0) {
        return looked;
    }
    const std::int32_t installed = installNotifier(idleLoaded, Notifier::idle);
    idleInstalled = installed == 0;
    return installed;
}

void PluginModel::shutdown() {
    if (!held) {
        return;
    }
    const std::size_t before = listeners->hostCalls().size();
    listeners->unregisterAll(hostAnswers[HostCallKind::removeNotifier]);
    logRegistryCalls(before);
    if (idleInstalled && removeNotifier(idleLoaded)) {
        idleInstalled = false;
    }
    log(suiteCall(HostCallKind::returnSuite), answer(HostCallKind::returnSuite));
    listeners.reset();
    held = false;
}

void PluginModel::fire(std::uint32_t eventID) {
    std::vector<Installation> firing;
    std::copy_if(table.begin(), table.end(), std::back_inserter(firing),
                 [&](const Installation& installation) { return installation.eventID == eventID; });
    for (const Installation& installation : firing) {
        const bool stillInstalled =
            std::any_of(table.begin(), table.end(),
                        [&](const Installation& known) { return known.serial == installation.serial; });
        if (!stillInstalled) {
            continue;
        }
        if (installation.notifier == Notifier::idle) {
            tryHookUp(eventID);
        } else if (running()) {
            sentRecords.push_back(
                BusRecord::fromPlugin(BusCatalogue::kCppEvent, BusCatalogue::eventPayload(eventID)));
        }
        log(notifierCall(HostCallKind::notify, eventID), 0, installation.notifier);
    }
}

void PluginModel::tryHookUp(std::uint32_t eventID) {
    if (!running()) {
        return;
    }
    if (!hooked) {
        hooked = subscribeRequests();
    }
    if (hooked && removeNotifier(eventID)) {
        idleInstalled = false;
    }
}

bool PluginModel::subscribeRequests() {
    for (const char* type : BusCatalogue::kRequests) {
        auto& queue = busAnswers[type];
        const std::int32_t status = queue.empty() ? 0 : queue.front();
        if (!queue.empty()) {
            queue.pop_front();
        }
        if (status != 0) {
            return false;
        }
        ++subscribed[type];
    }
    return true;
}

void PluginModel::request(const PluginAction& action) {
    for (int delivery = subscriptions(action.busType); delivery > 0; --delivery) {
        handle(action);
    }
}

void PluginModel::handle(const PluginAction& action) {
    if (!running()) {
        return;
    }
    const std::string& type = action.busType;
    if (type == BusCatalogue::kPingRequest) {
        sentRecords.push_back(BusRecord::fromPlugin(BusCatalogue::kPingResponse, ""));
        return;
    }
    if (!action.sender) {
        return;
    }
    if (type == BusCatalogue::kListEventsRequest) {
        const std::vector<std::string> events = listeners->eventsFor(*action.sender);
        sentRecords.push_back(BusRecord::fromPlugin(BusCatalogue::kListEventsResponse,
                                                    BusCatalogue::eventListPayload(events)));
        return;
    }
    if (!action.payload) {
        return;
    }
    const std::size_t before = listeners->hostCalls().size();
    if (type == BusCatalogue::kAddEventListener) {
        listeners->add(*action.payload, *action.sender, hostAnswers[HostCallKind::addNotifier]);
    } else {
        listeners->remove(*action.payload, *action.sender, hostAnswers[HostCallKind::removeNotifier]);
    }
    logRegistryCalls(before);
}

// The host's table has followed each call as it was made (answerRegistryCall);
// here the calls join the log.
void PluginModel::logRegistryCalls(std::size_t before) {
    const auto& made = listeners->hostCalls();
    for (std::size_t i = before; i < made.size(); ++i) {
        const RegistryModel::HostCall& call = made[i];
        const bool add = call.kind == RegistryModel::CallKind::add;
        log(notifierCall(add ? HostCallKind::addNotifier : HostCallKind::removeNotifier, call.eventID),
            call.status, add ? Notifier::event : Notifier::none);
    }
}

// Each call changes the table at once, so a second removal of the same id in
// one operation sees what the first left.
std::int32_t PluginModel::answerRegistryCall(RegistryModel::CallKind kind, std::uint32_t eventID,
                                             std::int32_t status) {
    if (kind == RegistryModel::CallKind::remove) {
        return removeInstallation(eventID, status);
    }
    if (RegistryModel::asReturned(status) == 0) {
        table.push_back(Installation{eventID, Notifier::event, nextSerial++});
    }
    return status;
}

bool PluginModel::sameString(const std::string& value, const char* literal) {
    HostCall call = callOf(HostCallKind::sameString);
    call.texts = {value, std::string(literal)};
    return log(call, value == literal ? 1 : 0) != 0;
}

std::int32_t PluginModel::answer(HostCallKind kind) {
    auto& queue = hostAnswers[kind];
    if (queue.empty()) {
        return 0;
    }
    const std::int32_t status = queue.front();
    queue.pop_front();
    return status;
}

std::int32_t PluginModel::log(HostCall call, std::int32_t status, Notifier notifier) {
    call.status = status;
    calls.push_back(ExpectedCall{std::move(call), notifier});
    return status;
}

std::int32_t PluginModel::installNotifier(std::uint32_t eventID, Notifier notifier) {
    const std::int32_t status = RegistryModel::asReturned(answer(HostCallKind::addNotifier));
    log(notifierCall(HostCallKind::addNotifier, eventID), status, notifier);
    if (status == 0) {
        table.push_back(Installation{eventID, notifier, nextSerial++});
    }
    return status;
}

bool PluginModel::removeNotifier(std::uint32_t eventID) {
    const std::int32_t status =
        RegistryModel::asReturned(removeInstallation(eventID, answer(HostCallKind::removeNotifier)));
    log(notifierCall(HostCallKind::removeNotifier, eventID), status);
    return status == 0;
}

// The host removes the oldest installation of the id; with none left it
// fails the call unless it was scripted to refuse it anyway.
std::int32_t PluginModel::removeInstallation(std::uint32_t eventID, std::int32_t status) {
    const auto oldest = std::find_if(table.begin(), table.end(),
                                     [&](const Installation& known) { return known.eventID == eventID; });
    if (oldest == table.end()) {
        ++unmatchedRemovals;
        return RegistryModel::asReturned(status) == 0 ? Host::kStatusNoSuchNotifier : status;
    }
    if (RegistryModel::asReturned(status) == 0) {
        table.erase(oldest);
    }
    return status;
}
