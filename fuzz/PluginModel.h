// What the plug-in should do, seen from outside: the host calls it makes, the
// bus events it sends and the host's notifier table, for the same actions
// that the real binary gets. Built on RegistryModel and the host stand-in's
// semantics: a refused call has no effect, removeNotifier removes the oldest
// installation of the id, a firing calls the installations it began with.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "BusRecord.h"
#include "HostCall.h"
#include "PluginAction.h"
#include "RegistryModel.h"

class PluginModel {
public:
    // Which of the plug-in's two notifiers an installation or call is for.
    enum class Notifier { none, idle, event };
    struct ExpectedCall {
        HostCall call;
        Notifier notifier;
    };
    struct Installation {
        std::uint32_t eventID;
        Notifier notifier;
        std::uint64_t serial;
    };

    explicit PluginModel(std::uint32_t idleEventID) : idleEventID(idleEventID) {}

    void apply(const PluginAction& action);

    const std::vector<ExpectedCall>& hostCalls() const noexcept { return calls; }
    const std::vector<BusRecord>& sent() const noexcept { return sentRecords; }
    const std::vector<Installation>& installed() const noexcept { return table; }
    bool holdsSuite() const noexcept { return held; }
    bool idleNotifierInstalled() const noexcept { return idleInstalled; }
    // Removals of an id with nothing of it installed: the host's removal by id
    // alone lets the idle notifier take an event notifier's installation when
    // both share an id, so such a removal can follow without any fault of the
    // plug-in, and the host reports it as a breach of its contract.
    int removalsOfNothing() const noexcept { return unmatchedRemovals; }
    // Subscriptions in place for a request type, one per successful AddEventListener.
    int subscriptions(const std::string& busType) const;
    const std::optional<RegistryModel>& registry() const noexcept { return listeners; }

private:
    void pluginMain(const std::string& caller, const std::string& selector);
    std::int32_t startup();
    void shutdown();
    void fire(std::uint32_t eventID);
    void tryHookUp(std::uint32_t eventID);
    void subscribeRequests();
    bool hooked() const noexcept;
    // An extension's dispatch, which may throw; deliver is what the bus does
    // with a request, its own staged ones included.
    void request(const PluginAction& action);
    void deliver(const PluginAction& action);
    void handle(const PluginAction& action);
    // The plug-in applies registry requests one at a time: one that comes
    // while another is under way waits, and the outermost drains them.
    void applyInTurn(const PluginAction& action);
    void applyRequest(const PluginAction& action);
    // Whether a DispatchEvent of type was staged to throw (it then delivers
    // nothing); the requests the bus sends during a dispatch of type.
    bool dispatchThrows(const std::string& type);
    void dispatchStaged(const std::string& type);
    void send(const char* type, const std::string& payload);
    void notifyInsideIfStaged(std::uint32_t eventID);
    bool running() const noexcept { return held && listeners.has_value(); }

    bool sameString(const std::string& value, const char* literal);
    std::int32_t answer(HostCallKind kind);
    std::int32_t log(HostCall call, std::int32_t status, Notifier notifier = Notifier::none);
    std::int32_t installNotifier(std::uint32_t eventID, Notifier notifier);
    bool removeNotifier(std::uint32_t eventID);
    std::int32_t removeInstallation(std::uint32_t eventID, std::int32_t status);
    std::int32_t answerRegistryCall(RegistryModel::CallKind kind, std::uint32_t eventID, std::int32_t status);

    const std::uint32_t idleEventID;
    bool held = false;
    bool idleInstalled = false;
    std::size_t subscribedRequests = 0;
    bool insideOperation = false;
    std::deque<PluginAction> pending;
    int notificationsInsideAdd = 0;
    std::multiset<std::string> throwingSubscriptions;
    std::multiset<std::string> throwingDispatches;
    std::map<std::string, std::vector<PluginAction>> stagedRequests;
    std::uint32_t idleLoaded = 0;
    std::optional<RegistryModel> listeners;
    std::map<HostCallKind, RegistryModel::Answers> hostAnswers;
    std::map<std::string, std::deque<std::int32_t>> busAnswers;
    std::map<std::string, int> subscribed;
    std::vector<Installation> table;
    std::uint64_t nextSerial = 1;
    int unmatchedRemovals = 0;
    std::vector<ExpectedCall> calls;
    std::vector<BusRecord> sentRecords;
};
