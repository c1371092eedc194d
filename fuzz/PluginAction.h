// One thing that the host, the bus or an extension does to the plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "HostCall.h"

struct PluginAction {
    enum class Kind {
        // PluginMain from "KX Interface" with "Startup" or "Shutdown".
        startup,
        shutdown,
        // PluginMain from a caller other than "KX Interface", or with another selector.
        foreignCaller,
        otherSelector,
        // The host fires an event id; the idle event is one of them.
        fire,
        // An extension dispatches busType with sender and payload (either may be null).
        request,
        // The host's next call of hostCall answers status.
        scriptHost,
        // The bus's next subscription to busType answers status.
        scriptBus,
        // The host's next accepted addNotifier notifies its event from inside.
        notifyInsideAdd,
        // The bus's next AddEventListener of busType (onSubscription) or
        // DispatchEvent of that type throws.
        throwFromBus,
        // During the next dispatch of trigger the bus sends the request
        // (busType, sender, payload) as an extension would.
        requestDuring,
    };

    // What foreignCaller and otherSelector send.
    static constexpr const char* kForeignCaller = "Some Other Interface";
    static constexpr const char* kOtherSelector = "Reload";

    Kind kind = Kind::startup;
    std::uint32_t eventID = 0;
    std::string busType;
    std::optional<std::string> sender;
    std::optional<std::string> payload;
    HostCallKind hostCall = HostCallKind::fetchSuite;
    std::int32_t status = 0;
    bool onSubscription = false;
    std::string trigger;

    static PluginAction of(Kind kind) {
        PluginAction action;
        action.kind = kind;
        return action;
    }
    static PluginAction fire(std::uint32_t eventID);
    static PluginAction request(std::string busType, std::optional<std::string> sender,
                                std::optional<std::string> payload);
    static PluginAction scriptHost(HostCallKind hostCall, std::int32_t status);
    static PluginAction scriptBus(std::string busType, std::int32_t status);
    static PluginAction throwFromBus(std::string busType, bool onSubscription);
    static PluginAction requestDuring(std::string trigger, PluginAction request);

    std::string describe() const;
};
