// The real plug-in binary, loaded into the host stand-in beside the bus
// stand-in, with everything it sends on the bus recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BusRecord.h"
#include "CflxEvent.h"
#include "Host.h"
#include "PluginAction.h"
#include "PluginModule.h"

// Loads on construction; resets the bus and unloads on destruction, so the
// bus keeps no callback into an unloaded plug-in. One session at a time.
class PluginSession {
public:
    explicit PluginSession(const std::string& pluginPath);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Throws std::runtime_error with the loader's message when it failed.
    KXPluginMainProc entry() const;
    Host& host() noexcept { return standIn; }
    const PluginModule& module() const noexcept { return plugin; }

    std::int32_t startup() { return standIn.startup(entry()); }
    std::int32_t shutdown() { return standIn.shutdown(entry()); }
    std::int32_t callPluginMain(const std::string& caller, const std::string& selector,
                                Host::MessageShape shape = Host::MessageShape::complete) {
        return standIn.callPluginMain(entry(), caller, selector, shape);
    }
    void idle() { standIn.fireIdle(); }
    void apply(const PluginAction& action);
    // Pumps idle notifications until the plug-in has subscribed all four
    // requests; false if it had not after a few.
    bool hookUp();

    // Dispatches the request as an extension would; null texts stay null.
    void request(const char* eventType, const char* sender, const char* payload);
    // The payload of the plug-in's answer to a list request from listener,
    // or nothing if it did not answer.
    std::optional<std::string> listEvents(const std::string& listener);
    // What the plug-in dispatched, oldest first; the extensions' own
    // requests are not in it.
    const std::vector<BusRecord>& sent() const noexcept { return sentRecords; }
    void clearSent() noexcept { sentRecords.clear(); }
    // The callback that the plug-in last subscribed to eventType, or null.
    EventBusCallback subscribedHandler(const std::string& eventType) const;

private:
    // A request the bus sends from inside another dispatch; its record points
    // into its own texts and stays put until the session ends.
    struct StagedRequest {
        std::string eventType;
        std::optional<std::string> sender;
        std::optional<std::string> payload;
        cflx::event::Event record;
    };

    void stageRequest(const PluginAction& action);
    bool isExtensionRecord(const cflx::event::Event* event) const;
    static void observeDispatch(const cflx::event::Event* event, void* context);
    static void observeSubscription(const char* eventType, EventBusCallback callback, void* userData,
                                    std::int32_t status, void* context);

    Host standIn;
    PluginModule plugin;
    std::vector<BusRecord> sentRecords;
    std::map<std::string, EventBusCallback> handlers;
    const cflx::event::Event* ownRequest = nullptr;
    std::deque<StagedRequest> stagedRequests;
};
