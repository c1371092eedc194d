// The stand-in host: what the plug-in sees of the host application.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CallLog.h"
#include "HostCall.h"
#include "KXCoreSuite.h"
#include "KXMessage.h"
#include "KXPlugin.h"
#include "KXPluginMain.h"
#include "LMActionControlProcs.h"
#include "LMNotifyProc.h"
#include "NotifierTable.h"
#include "StatusScript.h"
#include "SuiteHold.h"

// Offers the core suite and the action-control suite, calls PluginMain and
// fires host events, logs every call either way and collects the plug-in's
// contract violations as readable messages.
//
// The suites are plain C function pointers without context, so one Host at a
// time is the process-wide current host that every suite member reaches. The
// suite records outlive it: a member called while no Host lives answers
// kStatusNoHost. Every member catches everything. One call at a time.
class Host {
public:
    // Statuses the host answers on its own; each fits the 16-bit members.
    static constexpr std::int32_t kStatusUnknownSuite = -1001;
    static constexpr std::int32_t kStatusBadArgument = -1002;
    static constexpr std::int32_t kStatusUnknownEvent = -1003;
    static constexpr std::int32_t kStatusNoSuchNotifier = -1004;
    static constexpr std::int32_t kStatusNotHeld = -1005;
    static constexpr std::int32_t kStatusNoHost = -1006;
    // The host itself failed, e.g. it ran out of memory logging the call.
    static constexpr std::int32_t kStatusHostFailure = -1007;
    // What callPluginMain answers when PluginMain let an exception out.
    static constexpr std::int32_t kStatusPluginThrew = -1008;

    // "idle" as a four-character code.
    static constexpr std::uint32_t kDefaultIdleEventID = 0x69646C65;

    enum class MessageShape { complete, nullCoreSuite, nullMessage };

    // Throws std::logic_error while another Host lives. Starts with complete
    // suites, the event table {"idle": kDefaultIdleEventID} and empty logs.
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    static Host* current() noexcept;

    // The records the plug-in is given; a test may null any member.
    KXCoreSuite& coreSuite() noexcept;
    LMActionControlProcs& actionControl() noexcept;
    // The plug-in reference the host puts in every message.
    KXPlugin* pluginReference() noexcept;
    // Between a fetch of the action-control suite and its accepted return.
    bool actionControlHeld() const noexcept { return hold.isHeld(); }

    // Builds a message valid for this call only and calls entry. A Shutdown
    // from "KX Interface" makes finishRun check for notifiers left behind.
    // Throws std::invalid_argument for a null entry.
    std::int32_t callPluginMain(KXPluginMainProc entry, const std::string& caller,
                                const std::string& selector,
                                MessageShape shape = MessageShape::complete);
    std::int32_t startup(KXPluginMainProc entry);
    std::int32_t shutdown(KXPluginMainProc entry);

    // Names compare byte for byte; redefining a name rebinds it.
    void defineEvent(const std::string& name, std::uint32_t eventID);
    std::uint32_t idleEventID() const;
    // Calls each installation of the id, in installation order, with a
    // descriptor that lives for the firing, the options and its user data.
    void fireEvent(std::uint32_t eventID, std::int32_t options = 0);
    void fireIdle();
    const std::vector<NotifierInstallation>& installedNotifiers() const noexcept;
    // The next count addNotifier calls that the host accepts fire their event
    // once, from inside the call, after the installation and before
    // returning, as a host that notifies synchronously does.
    void notifyInsideNextAdds(int count) noexcept { notificationsInsideAdd += count; }
    // The next accepted fetch of the action-control suite answers success but
    // leaves the suite pointer null; the host counts the suite as held.
    void fetchWithoutSuiteNext() noexcept { ++fetchesWithoutSuite; }

    // Queues the statuses of the next calls of a scriptable kind (see
    // StatusScript). A status that is non-zero in the member's width refuses
    // the call without effect; zero in that width (0, 0x10000 for the 16-bit
    // members) lets the host answer as usual. Either way the member returns
    // the whole 32-bit status in its register, upper half included, so only a
    // plug-in that reads exactly the member's width sees what the host meant.
    void scriptStatuses(HostCallKind kind, const std::vector<std::int32_t>& statuses);
    // The next sameString calls answer these values in the whole register
    // instead of comparing: 0x100 is false in one byte and true in 32 bits.
    void scriptSameStringAnswers(const std::vector<std::int32_t>& answers);
    std::size_t pendingStatuses(HostCallKind kind) const noexcept;
    void clearScripts() noexcept;

    // In the order in which the calls started, so PluginMain and notify come
    // before the calls the plug-in made meanwhile; each record is filled in
    // when its call returns.
    const std::vector<HostCall>& calls() const noexcept;
    void observeCalls(CallLog::Observer observer);
    // Between calls only (see CallLog::clear).
    void clearCalls() noexcept;

    // The violations found so far.
    const std::vector<std::string>& violations() const noexcept;
    // The violations found so far plus the end-of-run checks: the suite still
    // held, notifiers still installed after Shutdown. Changes nothing.
    std::vector<std::string> finishRun() const;

private:
    // Each answers what the member leaves in its return register.
    KXErr fetchSuite(const char* name, std::int32_t version, const void** suite);
    KXErr returnSuite(const char* name, std::int32_t version);
    std::int32_t sameString(KXString value, const char* literal);
    std::int32_t lookupEventID(const char* name, std::uint32_t* eventID);
    std::int32_t addNotifier(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                             void* userData);
    std::int32_t removeNotifier(KXPlugin* plugin, std::uint32_t eventID);

    using Scripted = std::optional<std::int32_t>;
    KXErr answerFetch(const char* name, std::int32_t version, const void** suite,
                      const Scripted& scripted);
    KXErr answerReturn(const char* name, std::int32_t version, const Scripted& scripted);
    LMErr answerLookup(const char* name, std::uint32_t* eventID, HostCall& call,
                       const Scripted& scripted);
    LMErr answerAdd(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                    void* userData, const Scripted& scripted);
    LMErr answerRemove(KXPlugin* plugin, std::uint32_t eventID, const Scripted& scripted);

    std::int32_t invokePluginMain(KXPluginMainProc entry, KXString caller, KXString selector,
                                  KXMessage* message, const std::string& selectorText);
    void notify(const NotifierInstallation& installation, _ADsc* descriptor,
                std::int32_t options);

    template <typename Status>
    static std::optional<Status> scriptedRefusal(const Scripted& scripted);
    template <typename Status>
    Status logged(std::size_t place, HostCall call, Status status);
    template <typename Status>
    static std::int32_t inRegister(Status status, const Scripted& scripted);
    template <typename Work>
    void contained(const std::string& caller, Work&& work);
    void noteViolation(std::optional<std::string> violation);
    std::optional<std::string> checkPlugin(KXPlugin* plugin, std::uint32_t eventID) const;

    template <typename Status, typename Work>
    static Status onCurrentHost(Status unavailable, Status failed, Work&& work) noexcept;
    static KXErr fetchSuiteEntry(const char* name, std::int32_t version,
                                 const void** suite) noexcept;
    static KXErr returnSuiteEntry(const char* name, std::int32_t version) noexcept;
    // Installed in the narrower slots: they answer in the whole register.
    static std::int32_t sameStringEntry(KXString value, const char* literal) noexcept;
    static std::int32_t lookupEventIDEntry(const char* name, std::uint32_t* eventID) noexcept;
    static std::int32_t addNotifierEntry(KXPlugin* plugin, std::uint32_t eventID,
                                         LMNotifyProc notifier, void* userData) noexcept;
    static std::int32_t removeNotifierEntry(KXPlugin* plugin, std::uint32_t eventID) noexcept;
    static KXCoreSuite completeCoreSuite() noexcept;
    static LMActionControlProcs completeActionControl() noexcept;

    static Host* currentHost;
    static KXCoreSuite coreRecord;
    static LMActionControlProcs actionControlRecord;

    // Its address is the plug-in reference.
    unsigned char pluginIdentity = 0;
    std::map<std::string, std::uint32_t> eventIDs;
    NotifierTable notifiers;
    StatusScript script;
    CallLog log;
    SuiteHold hold;
    std::vector<std::string> violationMessages;
    // Removals the host refused by script, per plug-in and event id.
    std::map<std::pair<KXPlugin*, std::uint32_t>, int> refusedRemovals;
    bool shutdownSent = false;
    int notificationsInsideAdd = 0;
    int fetchesWithoutSuite = 0;
};
