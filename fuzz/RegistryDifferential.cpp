#include "RegistryDifferential.h"

#include <algorithm>

#include "Divergence.h"
#include "FuzzAlphabet.h"
#include "TranscriptEntry.h"

namespace {

void registeredNotifier(std::uint32_t, _ADsc*, std::int32_t, void*) {}

RegistryModel::Snapshot snapshotOf(const EventRegistry::EventTable& table) {
    RegistryModel::Snapshot snapshot;
    for (const auto& [event, listeners] : table) {
        snapshot.emplace_back(event, std::vector<std::pair<std::string, std::int64_t>>(
                                         listeners.begin(), listeners.end()));
    }
    return snapshot;
}

// The suite as a plug-in holds it: fetched through the core suite.
LMActionControlProcs* fetchedActionControl(Host& host) {
    const void* suite = nullptr;
    host.coreSuite().fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite);
    return static_cast<LMActionControlProcs*>(const_cast<void*>(suite));
}

}  // namespace

RegistryDifferential::RegistryDifferential()
    : registry(host.pluginReference(), fetchedActionControl(host), registeredNotifier) {
    host.clearCalls();
}

void RegistryDifferential::run(FuzzInput& input) {
    while (!input.exhausted()) {
        step(input);
    }
    RegistryModel::Answers agree;
    const std::size_t modelCallsBefore = model.hostCalls().size();
    registry.unregisterAllListeners();
    model.unregisterAll(agree);
    compareWithModel(modelCallsBefore);
    host.coreSuite().returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
}

void RegistryDifferential::step(FuzzInput& input) {
    ++steps;
    const std::size_t modelCallsBefore = model.hostCalls().size();
    switch (input.choice(8)) {
    case 0:
    case 1:
    case 2:
    case 3:
        changeListener(input, RegistryModel::CallKind::add);
        break;
    case 4:
    case 5:
        changeListener(input, RegistryModel::CallKind::remove);
        break;
    case 6:
        listEvents(input);
        break;
    default:
        unregisterAll(input);
        break;
    }
    host.clearScripts();
    compareWithModel(modelCallsBefore);
}

void RegistryDifferential::changeListener(FuzzInput& input, RegistryModel::CallKind change) {
    const std::string& event = FuzzAlphabet::eventText(input.byte());
    const std::string& listener = FuzzAlphabet::listener(input.byte());
    if (change == RegistryModel::CallKind::add) {
        RegistryModel::Answers answers = scriptAnswers(input, HostCallKind::addNotifier, 1);
        registry.addEventListener(event, listener);
        model.add(event, listener, answers);
    } else {
        RegistryModel::Answers answers = scriptAnswers(input, HostCallKind::removeNotifier, 1);
        registry.removeEventListener(event, listener);
        model.remove(event, listener, answers);
    }
}

void RegistryDifferential::listEvents(FuzzInput& input) {
    const std::string& listener = FuzzAlphabet::listener(input.byte());
    Divergence::check(steps, ("getEventsFor(" + Divergence::quoted(listener) + ")").c_str(),
                      Divergence::quoted(model.eventsFor(listener)),
                      Divergence::quoted(registry.getEventsFor(listener)));
}

void RegistryDifferential::unregisterAll(FuzzInput& input) {
    RegistryModel::Answers answers =
        scriptAnswers(input, HostCallKind::removeNotifier, model.eventCount());
    registry.unregisterAllListeners();
    model.unregisterAll(answers);
}

// The host and the model get the same answers; whatever the step does not
// use is dropped with the step.
RegistryModel::Answers RegistryDifferential::scriptAnswers(FuzzInput& input, HostCallKind kind,
                                                           std::size_t count) {
    std::vector<std::int32_t> statuses;
    for (std::size_t i = 0; i < count; ++i) {
        statuses.push_back(FuzzAlphabet::status(input.byte()));
    }
    host.scriptStatuses(kind, statuses);
    return RegistryModel::Answers(statuses.begin(), statuses.end());
}

void RegistryDifferential::compareWithModel(std::size_t modelCallsBefore) {
    std::string expectedCalls;
    for (std::size_t i = modelCallsBefore; i < model.hostCalls().size(); ++i) {
        expectedCalls += lineOf(asLogged(model.hostCalls()[i]));
    }
    Divergence::check(steps, "host calls", expectedCalls, hostCallsOfStep());
    Divergence::check(steps, "event table", RegistryModel::describe(model.snapshot()),
                      RegistryModel::describe(snapshotOf(registry.events())));
    const auto ids = [](const std::vector<std::uint32_t>& list) {
        std::string out;
        for (const std::uint32_t id : list) {
            out.append(std::to_string(id)).append(" ");
        }
        return out;
    };
    Divergence::check(steps, "installed notifiers", ids(model.installedIDs()), ids(installedIDs()));
    Divergence::check(steps, "host contract", "[]", Divergence::quoted(host.violations()));
}

std::string RegistryDifferential::hostCallsOfStep() {
    std::string made;
    for (const HostCall& call : host.calls()) {
        made += lineOf(call);
    }
    host.clearCalls();
    return made;
}

// The model's call as the host would log it from the registry: with the
// host's own plug-in reference, the registry's notifier and no user data.
HostCall RegistryDifferential::asLogged(const RegistryModel::HostCall& call) {
    const bool add = call.kind == RegistryModel::CallKind::add;
    HostCall logged{add ? HostCallKind::addNotifier : HostCallKind::removeNotifier, {}};
    logged.eventID = call.eventID;
    logged.status = call.status;
    logged.plugin = host.pluginReference();
    logged.notifier = add ? registeredNotifier : nullptr;
    logged.returned = true;
    return logged;
}

// A foreign plug-in reference, notifier or user data shows as an address.
std::string RegistryDifferential::lineOf(const HostCall& call) {
    using Value = TranscriptEntry::Value;
    const Value notifier = Value::labelled(TranscriptEntry::addressOf(call.notifier),
                                           TranscriptEntry::addressOf(registeredNotifier), "registeredNotifier");
    const Value plugin = Value::pluginReference(call.plugin, host.pluginReference());
    return TranscriptEntry::fromHostCall(call, plugin, notifier).text() + "; ";
}

std::vector<std::uint32_t> RegistryDifferential::installedIDs() {
    std::vector<std::uint32_t> ids;
    for (const NotifierInstallation& installation : host.installedNotifiers()) {
        Divergence::check(steps, "installed notifier", "registry's",
                          installation.notifier == registeredNotifier ? "registry's" : "foreign");
        ids.push_back(installation.eventID);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}
