#include "ScenarioRunner.h"

#include <utility>

#include "BusEntries.h"
#include "ConfluxControl.h"
#include "EntryText.h"
#include "LMEventCatalogue.h"
#include "HostEntries.h"

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

const char* textOf(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

// Points into the command, which outlives the run.
cflx::event::Event requestOf(const ScenarioCommand& command) {
    return cflx::event::Event{textOf(command.texts[0]), 0, LMEventCatalogue::kSenderApp, textOf(command.texts[1]),
                              textOf(command.texts[2])};
}

std::string pluginMainLine(const std::string& caller, const std::string& selector, std::int32_t result) {
    return EntryText::describe(HostEntries::expected(
        HostCallShape::of(HostCallKind::pluginMain),
        {TranscriptValue::text(caller), TranscriptValue::text(selector)}, TranscriptValue::number(result)));
}

}  // namespace

ScenarioRunner::ScenarioRunner(KXPluginMainProc entry, TranscriptRenderer& renderer)
    : entry(entry), renderer(renderer) {}

RunOutcome ScenarioRunner::run(const Scenario& scenario) {
    begin(scenario.manual);
    for (const ScenarioCommand& command : scenario.commands) {
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

bool ScenarioRunner::step(const ScenarioCommand& command) {
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
    if (recorder.lostEntries()) {
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
void ScenarioRunner::runCommand(const ScenarioCommand& command) {
    const bool expectation = command.kind == ScenarioCommand::Kind::expectEntry ||
                             command.kind == ScenarioCommand::Kind::expectNothing;
    if (!expectation && afterExpectation) {
        matcher.skipAll();
    }
    afterExpectation = expectation;
    beginStep(command.line, command.source);
    ++outcome.steps;
    execute(command);
    report();
}

void ScenarioRunner::execute(const ScenarioCommand& command) {
    switch (command.kind) {
    case ScenarioCommand::Kind::pluginMain:
        callPluginMain(command);
        break;
    case ScenarioCommand::Kind::fire:
        host.fireEvent(command.eventID);
        break;
    case ScenarioCommand::Kind::send:
        send(command);
        break;
    case ScenarioCommand::Kind::scriptHostStatus:
        host.scriptStatuses(command.hostCall, {command.status});
        break;
    case ScenarioCommand::Kind::nullHostMember:
        nullHostMember(command.hostCall);
        break;
    case ScenarioCommand::Kind::shapeNextMessage:
        nextMessage = command.messageShape;
        break;
    case ScenarioCommand::Kind::defineHostEvent:
        host.defineEvent(*command.texts.front(), command.eventID);
        break;
    case ScenarioCommand::Kind::failSubscription:
        failSubscription(command);
        break;
    case ScenarioCommand::Kind::throwFromBus:
        ConfluxControlThrowFromNext(command.texts.front()->c_str(), 1, command.onSubscription);
        break;
    case ScenarioCommand::Kind::sendDuring:
        recorder.sendFromExtensionDuring(*command.texts[3], requestOf(command));
        break;
    case ScenarioCommand::Kind::notifyInsideAdd:
        host.notifyInsideNextAdds(1);
        break;
    case ScenarioCommand::Kind::fetchNullSuite:
        host.fetchWithoutSuiteNext();
        break;
    case ScenarioCommand::Kind::scriptSameString:
        host.scriptSameStringAnswers({command.status});
        break;
    case ScenarioCommand::Kind::expectEntry:
        expectEntry(command);
        break;
    case ScenarioCommand::Kind::expectNothing:
        expectNothing(command);
        break;
    }
}

void ScenarioRunner::callPluginMain(const ScenarioCommand& command) {
    const std::string& caller = *command.texts[0];
    const std::string& selector = *command.texts[1];
    const std::int32_t result = sendPluginMain(caller, selector);
    if (result != command.expectedResult) {
        fail(command.line, "PluginMain returned " + std::to_string(result) + " instead of " +
                               std::to_string(command.expectedResult),
             pluginMainLine(caller, selector, command.expectedResult), pluginMainLine(caller, selector, result));
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

void ScenarioRunner::send(const ScenarioCommand& command) { recorder.sendFromExtension(requestOf(command)); }

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

void ScenarioRunner::failSubscription(const ScenarioCommand& command) {
    ConfluxControlScriptNextSubscriptions(command.texts.front()->c_str(), 1, command.status);
}

void ScenarioRunner::expectEntry(const ScenarioCommand& command) {
    const TranscriptEntry& pattern = command.pattern;
    const std::string noun = nounOf(pattern.stream);
    const TranscriptEntry* actual = matcher.take(pattern.stream);
    if (actual == nullptr) {
        fail(command.line, "expected a further " + noun + ", but the plug-in made none", EntryText::describe(pattern),
             "nothing");
    } else if (!ExpectationMatcher::matches(pattern, *actual)) {
        fail(command.line, "the plug-in's next " + noun + " is not the expected one", EntryText::describe(pattern),
             EntryText::describe(*actual));
    } else {
        ++outcome.expectationsHeld;
    }
}

void ScenarioRunner::expectNothing(const ScenarioCommand& command) {
    for (const TranscriptStream stream : kExpectableStreams) {
        if (command.pattern.stream != TranscriptStream::none && command.pattern.stream != stream) {
            continue;
        }
        if (const TranscriptEntry* left = matcher.peek(stream)) {
            fail(command.line, std::string("expected no further ") + nounOf(stream) + ", but the plug-in made one",
                 "nothing", EntryText::describe(*left));
            return;
        }
    }
    ++outcome.expectationsHeld;
}

void ScenarioRunner::fail(std::size_t line, std::string message, std::string expected, std::string actual) {
    outcome.failures.push_back(RunFailure{line, std::move(message), std::move(expected), std::move(actual)});
}

void ScenarioRunner::beginStep(std::size_t line, const std::string& source) {
    recorder.setLine(line);
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
