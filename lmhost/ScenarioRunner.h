// Runs one scenario against a loaded plug-in inside the stand-in host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ExpectationMatcher.h"
#include "Host.h"
#include "KXPluginMain.h"
#include "RunOutcome.h"
#include "Scenario.h"
#include "ScenarioCommand.h"
#include "Transcript.h"
#include "TranscriptRecorder.h"
#include "TranscriptRenderer.h"

// Expectations look at the calls made since the previous block of
// expectations. Unless the scenario is manual, the plug-in is started and hooked up to the
// bus before the first command, and shut down after the last one if the
// scenario left it running. The run stops at the first failure, shuts the
// plug-in down if it is still running, checks the host contract and leaves
// the bus empty, so the plug-in can be unloaded. One runner at a time: it
// owns the process's host.
class ScenarioRunner {
public:
    // At most this many idle notifications are sent for the bus hook-up.
    static constexpr int kMostIdleNotifications = 8;

    ScenarioRunner(KXPluginMainProc entry, TranscriptRenderer& renderer);

    RunOutcome run(const Scenario& scenario);

    // The same run a command at a time, for a scenario that arrives as it is
    // typed: begin, then step while it answers true, then end.
    void begin(bool manual);
    // False once a failure has ended the run; later commands are not run.
    bool step(const ScenarioCommand& command);
    // A malformed line that was reported and passed over.
    void skipLine() noexcept { ++outcome.skippedLines; }
    RunOutcome end();
    // The scenario started the plug-in and never shut it down.
    bool pluginStillRunning() const noexcept { return awaitingShutdown; }

private:
    void startAutomatically();
    void hookUpToTheBus();
    void shutDownIfRunning();
    void checkHostContract();
    void runCommand(const ScenarioCommand& command);
    void execute(const ScenarioCommand& command);
    void callPluginMain(const ScenarioCommand& command);
    std::int32_t sendPluginMain(const std::string& caller, const std::string& selector);
    void send(const ScenarioCommand& command);
    void nullHostMember(HostCallKind member);
    void failSubscription(const ScenarioCommand& command);
    void expectEntry(const ScenarioCommand& command);
    void expectNothing(const ScenarioCommand& command);
    bool busHookedUp() const;
    void fail(std::size_t line, std::string message, std::string expected = {}, std::string actual = {});
    void beginStep(std::size_t line, const std::string& source);
    void report();

    KXPluginMainProc entry;
    TranscriptRenderer& renderer;
    Host host;
    Transcript transcript;
    TranscriptRecorder recorder{host, transcript};
    ExpectationMatcher matcher{transcript.entries()};
    RunOutcome outcome;
    std::size_t reportedEntries = 0;
    std::size_t reportedFailures = 0;
    Host::MessageShape nextMessage = Host::MessageShape::complete;
    // A Startup was sent and no Shutdown since: the host owes the plug-in a
    // Shutdown before unloading it.
    bool awaitingShutdown = false;
    bool afterExpectation = false;
    bool manual = false;
};
