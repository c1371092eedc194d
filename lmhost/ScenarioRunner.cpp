#include "ScenarioRunner.h"

#include <algorithm>
#include <utility>

#include "ConfluxControl.h"
#include "LMEventCatalogue.h"

namespace {

const char* nounOf(TranscriptStream stream) {
    switch (stream) {
    case TranscriptStream::bus:
        return "bus event";
    case TranscriptStream::subscribe:
        return "subscription";
    case TranscriptStream::sameString:
        return "sameString call";
    default:
        return "host call";
    }
}

using Value = TranscriptEntry::Value;
using Field = TranscriptEntry::Field;

const char* textOf(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

// Points into the command, which outlives the run.
cflx::event::Event requestOf(const Scenario::Request& request) {
    return cflx::event::Event{request.eventType.c_str(), 0, LMEventCatalogue::kSenderApp,
                              textOf(request.senderExtension), textOf(request.payload)};
}

std::string pluginMainLine(const std::string& caller, const std::string& selector, std::int32_t result) {
    return TranscriptEntry::hostCall(TranscriptEntry::HostCallShape::of(HostCallKind::pluginMain),
                                     {Value::text(caller), Value::text(selector)}, Value::number(result))
        .text();
}

bool sameValues(const std::vector<Field>& expected, const std::vector<Field>& actual) {
    return std::equal(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      [](const Field& left, const Field& right) { return left.value == right.value; });
}

bool sameResult(const std::optional<Field>& expected, const std::optional<Field>& actual) {
    return expected.has_value() == actual.has_value() && (!expected || expected->value == actual->value);
}

bool carries(const std::vector<Field>& details, const Field& required) {
    return std::any_of(details.begin(), details.end(), [&required](const Field& detail) {
        return detail.name == required.name && detail.value == required.value;
    });
}

}  // namespace

std::size_t ScenarioRunner::ExpectationMatcher::nextIndex(TranscriptStream stream) const noexcept {
    std::size_t index = cursors[slot(stream)];
    while (index < entries.size() && entries[index].stream != stream) {
        ++index;
    }
    return index;
}

const TranscriptEntry* ScenarioRunner::ExpectationMatcher::peek(TranscriptStream stream) const noexcept {
    const std::size_t index = nextIndex(stream);
    return index < entries.size() ? &entries[index] : nullptr;
}

const TranscriptEntry* ScenarioRunner::ExpectationMatcher::take(TranscriptStream stream) noexcept {
    const std::size_t index = nextIndex(stream);
    cursors[slot(stream)] = std::min(index + 1, entries.size());
    return index < entries.size() ? &entries[index] : nullptr;
}

bool ScenarioRunner::ExpectationMatcher::matches(const TranscriptEntry& pattern, const TranscriptEntry& actual) {
    return pattern.stream == actual.stream && pattern.call == actual.call &&
           sameValues(pattern.arguments, actual.arguments) && sameResult(pattern.result, actual.result) &&
           std::all_of(pattern.details.begin(), pattern.details.end(),
                       [&actual](const Field& required) { return carries(actual.details, required); });
}

ScenarioRunner::ScenarioRunner(KXPluginMainProc entry, TranscriptRenderer& renderer)
    : entry(entry), renderer(renderer) {}

RunOutcome ScenarioRunner::run(const Scenario& scenario) {
    begin(scenario.manual);
    for (const Scenario::Command& command : scenario.commands) {
        if (!step(command)) {
            break;
        }
    }
    return end();
}

void ScenarioRunner::begin(bool manualScenario) {
    manual = manualScenario;
    if (!manual) {
        startAutomatically();
    }
}

bool ScenarioRunner::step(const Scenario::Command& command) {
    if (!outcome.failures.empty()) {
        return false;
    }
    runCommand(command);
    return outcome.failures.empty();
}

void ScenarioRunner::startAutomatically() {
    beginStep(0, "automatic Startup, then idle notifications until the bus hook-up is done");
    const std::int32_t result = sendPluginMain(kKXInterfaceCaller, kKXStartupSelector);
    if (result != 0) {
        fail(0, "the automatic Startup returned " + std::to_string(result) +
                    "; start the scenario with 'manual' to script a Startup that fails");
    } else {
        hookUpToTheBus();
    }
    report();
    matcher.skipAll();
}

void ScenarioRunner::hookUpToTheBus() {
    for (int sent = 0; sent < kMostIdleNotifications && !busHookedUp(); ++sent) {
        host.fireIdle();
    }
    if (!busHookedUp()) {
        fail(0, "the bus hook-up was not done after " + std::to_string(kMostIdleNotifications) +
                    " idle notifications");
    }
}

bool ScenarioRunner::busHookedUp() const {
    for (const char* type : LMEventCatalogue::kRequests) {
        if (ConfluxControlSubscriberCount(type) == 0) {
            return false;
        }
    }
    return true;
}

RunOutcome ScenarioRunner::end() {
    shutDownIfRunning();
    if (transcript.lostEntries()) {
        fail(0, "lmhost ran out of memory while recording: the transcript misses calls");
        report();
    }
    checkHostContract();
    // The plug-in's handlers are about to be unloaded with it.
    ConfluxControlReset();
    renderer.summary(outcome);
    return outcome;
}

// A manual scenario shuts the plug-in down itself; one that stopped at a
// failure is cleaned up all the same.
void ScenarioRunner::shutDownIfRunning() {
    const bool failed = !outcome.failures.empty();
    if (!awaitingShutdown || (manual && !failed)) {
        return;
    }
    beginStep(0, failed ? "Shutdown after the failure" : "automatic Shutdown");
    const std::int32_t result = sendPluginMain(kKXInterfaceCaller, kKXShutdownSelector);
    if (result != 0 && !failed) {
        fail(0, "the automatic Shutdown returned " + std::to_string(result));
    }
    report();
}

void ScenarioRunner::checkHostContract() {
    for (const std::string& violation : host.finishRun()) {
        outcome.violations.push_back(violation);
        renderer.violation(violation);
    }
}

// Expectations are about the commands since the previous expectation: the
// first command after one passes over whatever nobody expected before it.
void ScenarioRunner::runCommand(const Scenario::Command& command) {
    const bool expectation = command.kind == Scenario::Command::Kind::expectEntry ||
                             command.kind == Scenario::Command::Kind::expectNothing;
    if (!expectation && afterExpectation) {
        matcher.skipAll();
    }
    afterExpectation = expectation;
    beginStep(command.line, command.source);
    ++outcome.steps;
    execute(command);
    report();
}

void ScenarioRunner::execute(const Scenario::Command& command) {
    switch (command.kind) {
    case Scenario::Command::Kind::pluginMain:
        callPluginMain(command);
        break;
    case Scenario::Command::Kind::fire:
        host.fireEvent(command.eventID);
        break;
    case Scenario::Command::Kind::send:
        send(command);
        break;
    case Scenario::Command::Kind::scriptHostStatus:
        host.scriptStatuses(command.hostCall, {command.status});
        break;
    case Scenario::Command::Kind::nullHostMember:
        nullHostMember(command.hostCall);
        break;
    case Scenario::Command::Kind::shapeNextMessage:
        nextMessage = command.messageShape;
        break;
    case Scenario::Command::Kind::defineHostEvent:
        host.defineEvent(command.eventName, command.eventID);
        break;
    case Scenario::Command::Kind::failSubscription:
        failSubscription(command);
        break;
    case Scenario::Command::Kind::throwFromBus:
        ConfluxControlThrowFromNext(command.eventType.c_str(), 1, command.onSubscription);
        break;
    case Scenario::Command::Kind::sendDuring:
        transcript.sendFromExtensionDuring(command.eventType, requestOf(command.request));
        break;
    case Scenario::Command::Kind::notifyInsideAdd:
        host.notifyInsideNextAdds(1);
        break;
    case Scenario::Command::Kind::fetchNullSuite:
        host.fetchWithoutSuiteNext();
        break;
    case Scenario::Command::Kind::scriptSameString:
        host.scriptSameStringAnswers({command.status});
        break;
    case Scenario::Command::Kind::expectEntry:
        expectEntry(command);
        break;
    case Scenario::Command::Kind::expectNothing:
        expectNothing(command);
        break;
    }
}

void ScenarioRunner::callPluginMain(const Scenario::Command& command) {
    const std::int32_t result = sendPluginMain(command.caller, command.selector);
    if (result != command.expectedResult) {
        fail(command.line, "PluginMain returned " + std::to_string(result) + " instead of " +
                               std::to_string(command.expectedResult),
             pluginMainLine(command.caller, command.selector, command.expectedResult),
             pluginMainLine(command.caller, command.selector, result));
    }
}

std::int32_t ScenarioRunner::sendPluginMain(const std::string& caller, const std::string& selector) {
    const Host::MessageShape shape = std::exchange(nextMessage, Host::MessageShape::complete);
    const std::int32_t result = host.callPluginMain(entry, caller, selector, shape);
    if (caller == kKXInterfaceCaller && (selector == kKXStartupSelector || selector == kKXShutdownSelector)) {
        awaitingShutdown = selector == kKXStartupSelector;
    }
    return result;
}

void ScenarioRunner::send(const Scenario::Command& command) {
    transcript.sendFromExtension(requestOf(command.request));
}

void ScenarioRunner::nullHostMember(HostCallKind member) {
    KXCoreSuite& core = host.coreSuite();
    LMActionControlProcs& actionControl = host.actionControl();
    switch (member) {
    case HostCallKind::fetchSuite:
        core.fetchSuite = nullptr;
        break;
    case HostCallKind::returnSuite:
        core.returnSuite = nullptr;
        break;
    case HostCallKind::sameString:
        core.sameString = nullptr;
        break;
    case HostCallKind::lookupEventID:
        actionControl.lookupEventID = nullptr;
        break;
    case HostCallKind::addNotifier:
        actionControl.addNotifier = nullptr;
        break;
    case HostCallKind::removeNotifier:
        actionControl.removeNotifier = nullptr;
        break;
    default:
        break;
    }
}

void ScenarioRunner::failSubscription(const Scenario::Command& command) {
    ConfluxControlScriptNextSubscriptions(command.eventType.c_str(), 1, command.status);
}

void ScenarioRunner::expectEntry(const Scenario::Command& command) {
    const TranscriptEntry& pattern = command.pattern;
    const std::string noun = nounOf(pattern.stream);
    const TranscriptEntry* actual = matcher.take(pattern.stream);
    if (actual == nullptr) {
        fail(command.line, "expected a further " + noun + ", but the plug-in made none", pattern.text(),
             "nothing");
    } else if (!ExpectationMatcher::matches(pattern, *actual)) {
        fail(command.line, "the plug-in's next " + noun + " is not the expected one", pattern.text(),
             actual->text());
    } else {
        ++outcome.expectationsHeld;
    }
}

void ScenarioRunner::expectNothing(const Scenario::Command& command) {
    for (const TranscriptStream stream : kExpectableStreams) {
        if (command.pattern.stream != TranscriptStream::none && command.pattern.stream != stream) {
            continue;
        }
        if (const TranscriptEntry* left = matcher.peek(stream)) {
            fail(command.line, std::string("expected no further ") + nounOf(stream) + ", but the plug-in made one",
                 "nothing", left->text());
            return;
        }
    }
    ++outcome.expectationsHeld;
}

void ScenarioRunner::fail(std::size_t line, std::string message, std::string expected, std::string actual) {
    outcome.failures.push_back(RunFailure{line, std::move(message), std::move(expected), std::move(actual)});
}

void ScenarioRunner::beginStep(std::size_t line, const std::string& source) {
    transcript.setLine(line);
    renderer.step(line, source);
}

// Entries first, then what went wrong with them.
void ScenarioRunner::report() {
    const std::vector<TranscriptEntry>& entries = transcript.entries();
    for (; reportedEntries < entries.size(); ++reportedEntries) {
        renderer.entry(entries[reportedEntries]);
    }
    for (; reportedFailures < outcome.failures.size(); ++reportedFailures) {
        renderer.failure(outcome.failures[reportedFailures]);
    }
}
