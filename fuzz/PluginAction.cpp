#include "PluginAction.h"

#include <utility>

#include "Divergence.h"

PluginAction PluginAction::fire(std::uint32_t eventID) {
    PluginAction action = of(Kind::fire);
    action.eventID = eventID;
    return action;
}

PluginAction PluginAction::request(std::string busType, std::optional<std::string> sender,
                                   std::optional<std::string> payload) {
    PluginAction action = of(Kind::request);
    action.busType = std::move(busType);
    action.sender = std::move(sender);
    action.payload = std::move(payload);
    return action;
}

PluginAction PluginAction::scriptHost(HostCallKind hostCall, std::int32_t status) {
    PluginAction action = of(Kind::scriptHost);
    action.hostCall = hostCall;
    action.status = status;
    return action;
}

PluginAction PluginAction::scriptBus(std::string busType, std::int32_t status) {
    PluginAction action = of(Kind::scriptBus);
    action.busType = std::move(busType);
    action.status = status;
    return action;
}

PluginAction PluginAction::throwFromBus(std::string busType, bool onSubscription) {
    PluginAction action = of(Kind::throwFromBus);
    action.busType = std::move(busType);
    action.onSubscription = onSubscription;
    return action;
}

PluginAction PluginAction::requestDuring(std::string trigger, PluginAction request) {
    request.kind = Kind::requestDuring;
    request.trigger = std::move(trigger);
    return request;
}

std::string PluginAction::describe() const {
    switch (kind) {
    case Kind::startup:
        return "startup";
    case Kind::shutdown:
        return "shutdown";
    case Kind::foreignCaller:
        return "PluginMain from a foreign caller";
    case Kind::otherSelector:
        return "PluginMain with another selector";
    case Kind::fire:
        return "fire " + std::to_string(eventID);
    case Kind::request:
        return "request " + busType + " from " + Divergence::quoted(sender) + " with " + Divergence::quoted(payload);
    case Kind::requestDuring:
        return "during the next " + trigger + ", request " + busType + " from " + Divergence::quoted(sender) +
               " with " + Divergence::quoted(payload);
    case Kind::notifyInsideAdd:
        return "host notifies inside the next accepted addNotifier";
    case Kind::throwFromBus:
        return std::string("bus throws from the next ") + (onSubscription ? "subscription to " : "dispatch of ") +
               busType;
    case Kind::scriptHost:
        return std::string("host answers the next ") + nameOf(hostCall) + " with " +
               std::to_string(status);
    case Kind::scriptBus:
        return "bus answers the next subscription to " + busType + " with " + std::to_string(status);
    }
    return "unknown action";
}
