#include "PluginModel.h"

#include <algorithm>
#include <iterator>

#include "ExpectedPayloads.h"
#include "Host.h"
#include "KXPluginMain.h"
#include "LMActionControlProcs.h"
#include "LMEventCatalogue.h"

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

bool takeOne(std::multiset<std::string>& staged, const std::string& type) {
    const auto found = staged.find(type);
    if (found == staged.end()) {
        return false;
    }
    staged.erase(found);
    return true;
}

constexpr std::size_t kRequestTypes = std::size(LMEventCatalogue::kRequests);

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
    case PluginAction::Kind::notifyInsideAdd:
        ++notificationsInsideAdd;
        return;
    case PluginAction::Kind::throwFromBus:
        (action.onSubscription ? throwingSubscriptions : throwingDispatches).insert(action.busType);
        return;
    case PluginAction::Kind::requestDuring:
        stagedRequests[action.trigger].push_back(action);
        return;
    }
}

int PluginModel::subscriptions(const std::string& busType) const {
    const auto found = subscribed.find(busType);
    return found == subscribed.end() ? 0 : found->second;
}

// The host logs a call when it starts and fills in its result when it returns.
void PluginModel::pluginMain(const std::string& caller, const std::string& selector) {
    HostCall call = callOf(HostCallKind::pluginMain);
    call.texts = {caller, selector};
    const std::size_t place = calls.size();
    log(call, 0);
    std::int32_t result = 0;
    if (sameString(caller, kKXInterfaceCaller)) {
        if (sameString(selector, kKXStartupSelector)) {
            result = startup();
        } else if (sameString(selector, kKXShutdownSelector)) {
            shutdown();
        }
    }
    calls[place].call.status = result;
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
    } else if (listeners && (idleInstalled || hooked())) {
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
    // Recorded before the host is asked: it may notify from inside the call.
    idleInstalled = true;
    const std::int32_t installed = installNotifier(idleLoaded, Notifier::idle);
    if (installed != 0) {
        idleInstalled = false;
    }
    return installed;
}

void PluginModel::shutdown() {
    if (!held) {
        return;
    }
    listeners->unregisterAll(hostAnswers[HostCallKind::removeNotifier]);
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
        log(notifierCall(HostCallKind::notify, eventID), 0, installation.notifier);
        if (installation.notifier == Notifier::idle) {
            tryHookUp(eventID);
        } else if (running()) {
            send(LMEventCatalogue::kCppEvent, ExpectedPayloads::eventPayload(eventID));
        }
    }
}

void PluginModel::tryHookUp(std::uint32_t eventID) {
    if (!running()) {
        return;
    }
    subscribeRequests();
    if (hooked() && removeNotifier(eventID)) {
        idleInstalled = false;
    }
}

bool PluginModel::hooked() const noexcept { return subscribedRequests == kRequestTypes; }

// Resumes at the first request not yet subscribed; a throw counts as a refusal.
void PluginModel::subscribeRequests() {
    for (; subscribedRequests < kRequestTypes; ++subscribedRequests) {
        const char* type = LMEventCatalogue::kRequests[subscribedRequests];
        if (takeOne(throwingSubscriptions, type)) {
            return;
        }
        auto& queue = busAnswers[type];
        const std::int32_t status = queue.empty() ? 0 : queue.front();
        if (!queue.empty()) {
            queue.pop_front();
        }
        if (status != 0) {
            return;
        }
        ++subscribed[type];
    }
}

void PluginModel::request(const PluginAction& action) {
    if (!dispatchThrows(action.busType)) {
        deliver(action);
    }
}

void PluginModel::deliver(const PluginAction& action) {
    for (int delivery = subscriptions(action.busType); delivery > 0; --delivery) {
        handle(action);
    }
    dispatchStaged(action.busType);
}

bool PluginModel::dispatchThrows(const std::string& type) { return takeOne(throwingDispatches, type); }

void PluginModel::dispatchStaged(const std::string& type) {
    const auto staged = stagedRequests.find(type);
    if (staged == stagedRequests.end()) {
        return;
    }
    const std::vector<PluginAction> requests = std::move(staged->second);
    stagedRequests.erase(staged);
    for (const PluginAction& action : requests) {
        deliver(action);
    }
}

// The observer sees a dispatch before the bus throws or delivers it.
void PluginModel::send(const char* type, const std::string& payload) {
    sentRecords.push_back(BusRecord::fromPlugin(type, payload));
    if (!dispatchThrows(type)) {
        dispatchStaged(type);
    }
}

void PluginModel::handle(const PluginAction& action) {
    if (!running()) {
        return;
    }
    if (action.busType == LMEventCatalogue::kPingRequest) {
        send(LMEventCatalogue::kPingResponse, "");
        return;
    }
    const bool listRequest = action.busType == LMEventCatalogue::kListEventsRequest;
    if (action.sender && (listRequest || action.payload)) {
        applyInTurn(action);
    }
}

void PluginModel::applyInTurn(const PluginAction& action) {
    if (insideOperation) {
        pending.push_back(action);
        return;
    }
    insideOperation = true;
    applyRequest(action);
    while (!pending.empty()) {
        const PluginAction next = pending.front();
        pending.pop_front();
        applyRequest(next);
    }
    insideOperation = false;
}

void PluginModel::applyRequest(const PluginAction& action) {
    if (!running()) {
        return;
    }
    const std::string& type = action.busType;
    if (type == LMEventCatalogue::kListEventsRequest) {
        send(LMEventCatalogue::kListEventsResponse,
             ExpectedPayloads::eventListPayload(listeners->eventsFor(*action.sender)));
        return;
    }
    if (type == LMEventCatalogue::kAddEventListener) {
        listeners->add(*action.payload, *action.sender, hostAnswers[HostCallKind::addNotifier]);
    } else {
        listeners->remove(*action.payload, *action.sender, hostAnswers[HostCallKind::removeNotifier]);
    }
}

// Each call is logged and changes the table at once, so a second removal of
// the same id in one operation sees what the first left, and a notification
// from inside an add follows the add.
std::int32_t PluginModel::answerRegistryCall(RegistryModel::CallKind kind, std::uint32_t eventID,
                                             std::int32_t status) {
    if (kind == RegistryModel::CallKind::remove) {
        const std::int32_t removed = removeInstallation(eventID, status);
        log(notifierCall(HostCallKind::removeNotifier, eventID), RegistryModel::asReturned(removed));
        return removed;
    }
    log(notifierCall(HostCallKind::addNotifier, eventID), RegistryModel::asReturned(status), Notifier::event);
    if (RegistryModel::asReturned(status) == 0) {
        table.push_back(Installation{eventID, Notifier::event, nextSerial++});
        notifyInsideIfStaged(eventID);
    }
    return status;
}

// The host fires the event it has just installed before addNotifier returns.
void PluginModel::notifyInsideIfStaged(std::uint32_t eventID) {
    if (notificationsInsideAdd > 0) {
        --notificationsInsideAdd;
        fire(eventID);
    }
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

// Logged before whatever the host notifies from inside it.
std::int32_t PluginModel::installNotifier(std::uint32_t eventID, Notifier notifier) {
    const std::int32_t status = RegistryModel::asReturned(answer(HostCallKind::addNotifier));
    log(notifierCall(HostCallKind::addNotifier, eventID), status, notifier);
    if (status == 0) {
        table.push_back(Installation{eventID, notifier, nextSerial++});
        notifyInsideIfStaged(eventID);
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
