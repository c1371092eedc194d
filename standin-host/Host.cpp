#include "Host.h"

#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "HostString.h"

namespace {

// The plug-in sees a status in the width of the member it called.
template <typename Status>
Status atWidth(std::int32_t status) noexcept;

template <>
KXErr atWidth<KXErr>(std::int32_t status) noexcept {
    return status;
}

template <>
LMErr atWidth<LMErr>(std::int32_t status) noexcept {
    const std::int32_t low = static_cast<std::int32_t>(static_cast<std::uint32_t>(status) & 0xFFFFu);
    return static_cast<LMErr>(low >= 0x8000 ? low - 0x10000 : low);
}

LMErr lmStatus(std::int32_t status) noexcept { return atWidth<LMErr>(status); }

// The members of a narrower result are installed with a 32-bit one: the
// plug-in, compiled against the narrow type, must read only its own width of
// the return register. Both x86-64 calling conventions return either in the
// same register, so the call itself is sound.
template <typename Slot, typename Member>
Slot inSlot(Member member) noexcept {
    return reinterpret_cast<Slot>(reinterpret_cast<void (*)()>(member));
}

}  // namespace

// The sanitizer's check of a call's function type would stop exactly the call
// these members are for.
#if defined(__clang__)
#define QUAYLINE_WIDER_THAN_ITS_SLOT __attribute__((no_sanitize("function")))
#else
#define QUAYLINE_WIDER_THAN_ITS_SLOT
#endif

namespace {

bool isActionControl(const char* name, std::int32_t version) noexcept {
    return name != nullptr && std::strcmp(name, kLMActionControlSuite) == 0 &&
           version == kLMActionControlSuiteVersion;
}

std::optional<std::string> textOf(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

HostCall callOf(HostCallKind kind) { return HostCall{kind, {}}; }

std::string eventText(std::uint32_t eventID) { return "event " + std::to_string(eventID); }

}  // namespace

template <typename Status>
std::optional<Status> Host::scriptedRefusal(const std::optional<std::int32_t>& scripted) {
    if (!scripted || atWidth<Status>(*scripted) == 0) {
        return std::nullopt;
    }
    return atWidth<Status>(*scripted);
}

template <typename Status>
Status Host::logged(std::size_t place, HostCall call, Status status) {
    call.status = status;
    log.finish(place, std::move(call));
    return status;
}

// A scripted status fills the whole return register, so a 16-bit member may
// answer with a dirty upper half; the host's own statuses are widened with
// their sign, as a compiler would leave them.
template <typename Status>
std::int32_t Host::inRegister(Status status, const std::optional<std::int32_t>& scripted) {
    if (scripted && atWidth<Status>(*scripted) == status) {
        return *scripted;
    }
    return status;
}

// The plug-in's code returns into the host through a C signature: an
// exception that reaches here is a violation, never passed on.
template <typename Work>
void Host::contained(const std::string& caller, Work&& work) {
    try {
        work();
    } catch (const std::exception& exception) {
        noteViolation(caller + " let an exception out: " + exception.what());
    } catch (...) {
        noteViolation(caller + " let an exception out");
    }
}

template <typename Status, typename Work>
Status Host::onCurrentHost(Status unavailable, Status failed, Work&& work) noexcept {
    if (currentHost == nullptr) {
        return unavailable;
    }
    try {
        return work(*currentHost);
    } catch (...) {
        return failed;
    }
}

Host* Host::currentHost = nullptr;
KXCoreSuite Host::coreRecord = Host::completeCoreSuite();
LMActionControlProcs Host::actionControlRecord = Host::completeActionControl();

Host::Host() : eventIDs{{"idle", kDefaultIdleEventID}} {
    if (currentHost != nullptr) {
        throw std::logic_error("another Host is alive: the suites reach one host at a time");
    }
    coreRecord = completeCoreSuite();
    actionControlRecord = completeActionControl();
    currentHost = this;
}

Host::~Host() { currentHost = nullptr; }

Host* Host::current() noexcept { return currentHost; }

KXCoreSuite& Host::coreSuite() noexcept { return coreRecord; }

LMActionControlProcs& Host::actionControl() noexcept { return actionControlRecord; }

KXPlugin* Host::pluginReference() noexcept { return reinterpret_cast<KXPlugin*>(&pluginIdentity); }

std::int32_t Host::callPluginMain(KXPluginMainProc entry, const std::string& caller,
                                  const std::string& selector, MessageShape shape) {
    if (entry == nullptr) {
        throw std::invalid_argument("callPluginMain needs the plug-in's entry point");
    }
    HostCall call = callOf(HostCallKind::pluginMain);
    call.texts = {caller, selector};
    const std::size_t place = log.start(call);
    const HostString callerValue(caller);
    const HostString selectorValue(selector);
    KXMessage message{nullptr, pluginReference(), nullptr,
                      shape == MessageShape::nullCoreSuite ? nullptr : &coreRecord};
    const std::int32_t result =
        invokePluginMain(entry, callerValue.value(), selectorValue.value(),
                         shape == MessageShape::nullMessage ? nullptr : &message, selector);
    if (caller == kKXInterfaceCaller && selector == kKXShutdownSelector) {
        shutdownSent = true;
    }
    return logged(place, std::move(call), result);
}

std::int32_t Host::invokePluginMain(KXPluginMainProc entry, KXString caller, KXString selector,
                                    KXMessage* message, const std::string& selectorText) {
    std::int32_t result = kStatusPluginThrew;
    contained("PluginMain for \"" + selectorText + "\"",
              [&] { result = entry(caller, selector, message); });
    return result;
}

std::int32_t Host::startup(KXPluginMainProc entry) {
    return callPluginMain(entry, kKXInterfaceCaller, kKXStartupSelector);
}

std::int32_t Host::shutdown(KXPluginMainProc entry) {
    return callPluginMain(entry, kKXInterfaceCaller, kKXShutdownSelector);
}

void Host::defineEvent(const std::string& name, std::uint32_t eventID) { eventIDs[name] = eventID; }

std::uint32_t Host::idleEventID() const { return eventIDs.at("idle"); }

void Host::fireEvent(std::uint32_t eventID, std::int32_t options) {
    unsigned char descriptor[16] = {};
    notifiers.fire(eventID, [&](const NotifierInstallation& installation) {
        notify(installation, reinterpret_cast<_ADsc*>(descriptor), options);
    });
}

void Host::fireIdle() { fireEvent(idleEventID()); }

void Host::notify(const NotifierInstallation& installation, _ADsc* descriptor,
                  std::int32_t options) {
    HostCall call = callOf(HostCallKind::notify);
    call.eventID = installation.eventID;
    call.plugin = installation.plugin;
    call.notifier = installation.notifier;
    call.userData = installation.userData;
    const std::size_t place = log.start(call);
    contained("the notifier for " + eventText(installation.eventID), [&] {
        installation.notifier(installation.eventID, descriptor, options, installation.userData);
    });
    logged(place, std::move(call), 0);
}

const std::vector<NotifierInstallation>& Host::installedNotifiers() const noexcept {
    return notifiers.installations();
}

void Host::scriptStatuses(HostCallKind kind, const std::vector<std::int32_t>& statuses) {
    for (const std::int32_t status : statuses) {
        script.append(kind, status);
    }
}

void Host::scriptSameStringAnswers(const std::vector<std::int32_t>& answers) {
    for (const std::int32_t answer : answers) {
        script.appendSameStringAnswer(answer);
    }
}

std::size_t Host::pendingStatuses(HostCallKind kind) const noexcept { return script.pending(kind); }

void Host::clearScripts() noexcept { script.clear(); }

const std::vector<HostCall>& Host::calls() const noexcept { return log.calls(); }

void Host::observeCalls(CallLog::Observer observer) { log.observe(std::move(observer)); }

void Host::clearCalls() noexcept { log.clear(); }

const std::vector<std::string>& Host::violations() const noexcept { return violationMessages; }

std::vector<std::string> Host::finishRun() const {
    std::vector<std::string> found = violationMessages;
    if (const std::optional<std::string> suiteKept = hold.checkEndOfRun()) {
        found.push_back(*suiteKept);
    }
    if (!shutdownSent) {
        return found;
    }
    // A notifier whose removal the host itself refused is not the plug-in's fault.
    std::map<std::pair<KXPlugin*, std::uint32_t>, int> excused = refusedRemovals;
    for (const NotifierInstallation& installation : notifiers.installations()) {
        int& refusals = excused[{installation.plugin, installation.eventID}];
        if (refusals > 0) {
            --refusals;
            continue;
        }
        found.push_back("the notifier for " + eventText(installation.eventID) +
                        " is still installed after Shutdown");
    }
    return found;
}

void Host::noteViolation(std::optional<std::string> violation) {
    if (violation) {
        violationMessages.push_back(std::move(*violation));
    }
}

KXErr Host::fetchSuite(const char* name, std::int32_t version, const void** suite) {
    HostCall call = callOf(HostCallKind::fetchSuite);
    call.texts = {textOf(name)};
    call.version = version;
    const std::size_t place = log.start(call);
    const std::optional<std::int32_t> scripted = script.take(HostCallKind::fetchSuite);
    const KXErr status = answerFetch(name, version, suite, scripted);
    return logged(place, std::move(call), status);
}

KXErr Host::answerFetch(const char* name, std::int32_t version, const void** suite,
                        const std::optional<std::int32_t>& scripted) {
    const bool actionControl = isActionControl(name, version);
    if (actionControl) {
        noteViolation(hold.checkFetch());
    }
    if (const std::optional<KXErr> refusal = scriptedRefusal<KXErr>(scripted)) {
        return *refusal;
    }
    if (name == nullptr || suite == nullptr) {
        return kStatusBadArgument;
    }
    if (!actionControl) {
        return kStatusUnknownSuite;
    }
    hold.markFetched();
    if (fetchesWithoutSuite > 0) {
        --fetchesWithoutSuite;
        *suite = nullptr;
        return 0;
    }
    *suite = &actionControlRecord;
    return 0;
}

KXErr Host::returnSuite(const char* name, std::int32_t version) {
    HostCall call = callOf(HostCallKind::returnSuite);
    call.texts = {textOf(name)};
    call.version = version;
    const std::size_t place = log.start(call);
    const std::optional<std::int32_t> scripted = script.take(HostCallKind::returnSuite);
    const KXErr status = answerReturn(name, version, scripted);
    return logged(place, std::move(call), status);
}

KXErr Host::answerReturn(const char* name, std::int32_t version,
                         const std::optional<std::int32_t>& scripted) {
    const bool actionControl = isActionControl(name, version);
    if (actionControl) {
        noteViolation(hold.checkReturn());
    }
    if (const std::optional<KXErr> refusal = scriptedRefusal<KXErr>(scripted)) {
        if (actionControl && hold.isHeld()) {
            hold.markReturnRefused();
        }
        return *refusal;
    }
    if (name == nullptr) {
        return kStatusBadArgument;
    }
    if (!actionControl) {
        return kStatusUnknownSuite;
    }
    if (!hold.isHeld()) {
        return kStatusNotHeld;
    }
    hold.markReturned();
    return 0;
}

// A scripted answer replaces the comparison and fills the whole register; the
// log shows what the plug-in reads of it in the host's boolean width.
std::int32_t Host::sameString(KXString value, const char* literal) {
    HostCall call = callOf(HostCallKind::sameString);
    call.texts = {HostString::textOf(value), textOf(literal)};
    const std::size_t place = log.start(call);
    const std::int32_t answer =
        script.take(HostCallKind::sameString).value_or(HostString::equals(value, literal) ? 1 : 0);
    logged(place, std::move(call), static_cast<KXBool>(answer) != 0 ? 1 : 0);
    return answer;
}

std::int32_t Host::lookupEventID(const char* name, std::uint32_t* eventID) {
    HostCall call = callOf(HostCallKind::lookupEventID);
    call.texts = {textOf(name)};
    const std::size_t place = log.start(call);
    const std::optional<std::int32_t> scripted = script.take(HostCallKind::lookupEventID);
    const LMErr status = answerLookup(name, eventID, call, scripted);
    return inRegister(logged(place, std::move(call), status), scripted);
}

LMErr Host::answerLookup(const char* name, std::uint32_t* eventID, HostCall& call,
                         const std::optional<std::int32_t>& scripted) {
    noteViolation(hold.checkUse("lookupEventID"));
    if (const std::optional<LMErr> refusal = scriptedRefusal<LMErr>(scripted)) {
        return *refusal;
    }
    if (name == nullptr || eventID == nullptr) {
        return lmStatus(kStatusBadArgument);
    }
    const auto found = eventIDs.find(name);
    if (found == eventIDs.end()) {
        return lmStatus(kStatusUnknownEvent);
    }
    *eventID = found->second;
    call.eventID = found->second;
    return 0;
}

std::int32_t Host::addNotifier(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                               void* userData) {
    HostCall call = callOf(HostCallKind::addNotifier);
    call.eventID = eventID;
    call.plugin = plugin;
    call.notifier = notifier;
    call.userData = userData;
    const std::size_t place = log.start(call);
    const std::optional<std::int32_t> scripted = script.take(HostCallKind::addNotifier);
    const LMErr status = answerAdd(plugin, eventID, notifier, userData, scripted);
    return inRegister(logged(place, std::move(call), status), scripted);
}

LMErr Host::answerAdd(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                      void* userData, const std::optional<std::int32_t>& scripted) {
    noteViolation(hold.checkUse("addNotifier"));
    noteViolation(checkPlugin(plugin, eventID));
    if (notifier == nullptr) {
        noteViolation("addNotifier for " + eventText(eventID) + " with a null notifier");
    }
    if (const std::optional<LMErr> refusal = scriptedRefusal<LMErr>(scripted)) {
        return *refusal;
    }
    if (notifier == nullptr) {
        return lmStatus(kStatusBadArgument);
    }
    notifiers.add(plugin, eventID, notifier, userData);
    if (notificationsInsideAdd > 0) {
        --notificationsInsideAdd;
        fireEvent(eventID);
    }
    return 0;
}

std::optional<std::string> Host::checkPlugin(KXPlugin* plugin, std::uint32_t eventID) const {
    if (plugin == reinterpret_cast<const KXPlugin*>(&pluginIdentity)) {
        return std::nullopt;
    }
    return "addNotifier for " + eventText(eventID) +
           " with a plug-in reference that the host did not give";
}

std::int32_t Host::removeNotifier(KXPlugin* plugin, std::uint32_t eventID) {
    HostCall call = callOf(HostCallKind::removeNotifier);
    call.eventID = eventID;
    call.plugin = plugin;
    const std::size_t place = log.start(call);
    const std::optional<std::int32_t> scripted = script.take(HostCallKind::removeNotifier);
    const LMErr status = answerRemove(plugin, eventID, scripted);
    return inRegister(logged(place, std::move(call), status), scripted);
}

LMErr Host::answerRemove(KXPlugin* plugin, std::uint32_t eventID,
                         const std::optional<std::int32_t>& scripted) {
    noteViolation(hold.checkUse("removeNotifier"));
    if (!notifiers.contains(plugin, eventID)) {
        noteViolation("removeNotifier for " + eventText(eventID) +
                      ", for which no notifier of this plug-in is installed");
    }
    if (const std::optional<LMErr> refusal =
            scriptedRefusal<LMErr>(scripted)) {
        if (notifiers.contains(plugin, eventID)) {
            ++refusedRemovals[{plugin, eventID}];
        }
        return *refusal;
    }
    return notifiers.remove(plugin, eventID) ? LMErr{0} : lmStatus(kStatusNoSuchNotifier);
}

KXErr Host::fetchSuiteEntry(const char* name, std::int32_t version, const void** suite) noexcept {
    return onCurrentHost<KXErr>(kStatusNoHost, kStatusHostFailure,
                                [&](Host& host) { return host.fetchSuite(name, version, suite); });
}

KXErr Host::returnSuiteEntry(const char* name, std::int32_t version) noexcept {
    return onCurrentHost<KXErr>(kStatusNoHost, kStatusHostFailure,
                                [&](Host& host) { return host.returnSuite(name, version); });
}

QUAYLINE_WIDER_THAN_ITS_SLOT
std::int32_t Host::sameStringEntry(KXString value, const char* literal) noexcept {
    return onCurrentHost<std::int32_t>(0, 0,
                                       [&](Host& host) { return host.sameString(value, literal); });
}

QUAYLINE_WIDER_THAN_ITS_SLOT
std::int32_t Host::lookupEventIDEntry(const char* name, std::uint32_t* eventID) noexcept {
    return onCurrentHost<std::int32_t>(kStatusNoHost, kStatusHostFailure,
                                       [&](Host& host) { return host.lookupEventID(name, eventID); });
}

QUAYLINE_WIDER_THAN_ITS_SLOT
std::int32_t Host::addNotifierEntry(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                                    void* userData) noexcept {
    return onCurrentHost<std::int32_t>(kStatusNoHost, kStatusHostFailure, [&](Host& host) {
        return host.addNotifier(plugin, eventID, notifier, userData);
    });
}

QUAYLINE_WIDER_THAN_ITS_SLOT
std::int32_t Host::removeNotifierEntry(KXPlugin* plugin, std::uint32_t eventID) noexcept {
    return onCurrentHost<std::int32_t>(kStatusNoHost, kStatusHostFailure,
                                       [&](Host& host) { return host.removeNotifier(plugin, eventID); });
}

KXCoreSuite Host::completeCoreSuite() noexcept {
    return KXCoreSuite{fetchSuiteEntry, returnSuiteEntry,
                       inSlot<decltype(KXCoreSuite::sameString)>(sameStringEntry)};
}

LMActionControlProcs Host::completeActionControl() noexcept {
    using Procs = LMActionControlProcs;
    return Procs{nullptr,
                 nullptr,
                 inSlot<decltype(Procs::lookupEventID)>(lookupEventIDEntry),
                 nullptr,
                 inSlot<decltype(Procs::addNotifier)>(addNotifierEntry),
                 inSlot<decltype(Procs::removeNotifier)>(removeNotifierEntry)};
}
