#include "PluginSession.h"

#include <algorithm>
#include <stdexcept>

#include "ConfluxControl.h"
#include "KXPluginMain.h"
#include "LMEventCatalogue.h"

namespace {

constexpr const char* kExtensionApp = "EXTN";

const char* textOf(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

}  // namespace

PluginSession::PluginSession(const std::string& pluginPath) : plugin(pluginPath) {
    ConfluxControlReset();
    ConfluxControlObserveDispatches(observeDispatch, this);
    ConfluxControlObserveSubscriptions(observeSubscription, this);
}

PluginSession::~PluginSession() { ConfluxControlReset(); }

KXPluginMainProc PluginSession::entry() const {
    if (!plugin.isLoaded()) {
        throw std::runtime_error(plugin.error().message);
    }
    return plugin.entryPoint();
}

void PluginSession::apply(const PluginAction& action) {
    switch (action.kind) {
    case PluginAction::Kind::startup:
        startup();
        return;
    case PluginAction::Kind::shutdown:
        shutdown();
        return;
    case PluginAction::Kind::foreignCaller:
        callPluginMain(PluginAction::kForeignCaller, kKXStartupSelector);
        return;
    case PluginAction::Kind::otherSelector:
        callPluginMain(kKXInterfaceCaller, PluginAction::kOtherSelector);
        return;
    case PluginAction::Kind::fire:
        standIn.fireEvent(action.eventID);
        return;
    case PluginAction::Kind::request:
        request(action.busType.c_str(), textOf(action.sender), textOf(action.payload));
        return;
    case PluginAction::Kind::scriptHost:
        standIn.scriptStatuses(action.hostCall, {action.status});
        return;
    case PluginAction::Kind::scriptBus:
        ConfluxControlScriptNextSubscriptions(action.busType.c_str(), 1, action.status);
        return;
    case PluginAction::Kind::notifyInsideAdd:
        standIn.notifyInsideNextAdds(1);
        return;
    case PluginAction::Kind::throwFromBus:
        ConfluxControlThrowFromNext(action.busType.c_str(), 1, action.onSubscription);
        return;
    case PluginAction::Kind::requestDuring:
        stageRequest(action);
        return;
    }
}

bool PluginSession::hookUp() {
    for (int attempt = 0; attempt < 4; ++attempt) {
        idle();
        bool hooked = true;
        for (const char* type : LMEventCatalogue::kRequests) {
            hooked = hooked && ConfluxControlSubscriberCount(type) > 0;
        }
        if (hooked) {
            return true;
        }
    }
    return false;
}

// A dispatch staged to throw throws at the extension as well.
void PluginSession::request(const char* eventType, const char* sender, const char* payload) {
    const cflx::event::Event event{eventType, 0, kExtensionApp, sender, payload};
    ownRequest = &event;
    try {
        DispatchEvent(&event);
    } catch (...) {
    }
    ownRequest = nullptr;
}

void PluginSession::stageRequest(const PluginAction& action) {
    StagedRequest& staged = stagedRequests.emplace_back();
    staged.eventType = action.busType;
    staged.sender = action.sender;
    staged.payload = action.payload;
    staged.record = cflx::event::Event{staged.eventType.c_str(), 0, kExtensionApp, textOf(staged.sender),
                                       textOf(staged.payload)};
    ConfluxControlDispatchDuringNext(action.trigger.c_str(), &staged.record);
}

bool PluginSession::isExtensionRecord(const cflx::event::Event* event) const {
    return event == ownRequest ||
           std::any_of(stagedRequests.begin(), stagedRequests.end(),
                       [event](const StagedRequest& staged) { return event == &staged.record; });
}

std::optional<std::string> PluginSession::listEvents(const std::string& listener) {
    const std::size_t before = sentRecords.size();
    request(LMEventCatalogue::kListEventsRequest, listener.c_str(), "");
    if (sentRecords.size() == before) {
        return std::nullopt;
    }
    return sentRecords.back().payload;
}

EventBusCallback PluginSession::subscribedHandler(const std::string& eventType) const {
    const auto found = handlers.find(eventType);
    return found == handlers.end() ? nullptr : found->second;
}

void PluginSession::observeDispatch(const cflx::event::Event* event, void* context) {
    auto* session = static_cast<PluginSession*>(context);
    if (event != nullptr && !session->isExtensionRecord(event)) {
        session->sentRecords.push_back(BusRecord::of(*event));
    }
}

void PluginSession::observeSubscription(const char* eventType, EventBusCallback callback, void*,
                                        std::int32_t status, void* context) {
    if (eventType != nullptr && status == 0) {
        static_cast<PluginSession*>(context)->handlers[eventType] = callback;
    }
}
