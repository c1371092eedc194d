// Runs one scenario against a loaded plug-in inside the stand-in host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Host.h"
#include "KXPluginMain.h"
#include "RunOutcome.h"
#include "Scenario.h"
#include "Transcript.h"
#include "TranscriptEntry.h"
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
    // Matches expectations against a transcript, one cursor per stream. An
    // expectation about one stream skips the entries of every other stream,
    // so `expect bus` passes over the host calls that came before the event.
    class ExpectationMatcher {
    public:
        explicit ExpectationMatcher(const std::vector<TranscriptEntry>& entries) : entries(entries) {}

        // Moves every cursor past what the transcript holds now.
        void skipAll() noexcept { cursors.fill(entries.size()); }
        // The next entry of the stream not yet taken, or null.
        const TranscriptEntry* peek(TranscriptStream stream) const noexcept;
        // Like peek, and moves the stream's cursor past it.
        const TranscriptEntry* take(TranscriptStream stream) noexcept;

        // Same stream and call, equal arguments and result, and every detail
        // of the pattern present in the entry with an equal value.
        static bool matches(const TranscriptEntry& pattern, const TranscriptEntry& actual);

    private:
        std::size_t nextIndex(TranscriptStream stream) const noexcept;
        static std::size_t slot(TranscriptStream stream) noexcept { return static_cast<std::size_t>(stream); }

        const std::vector<TranscriptEntry>& entries;
        // Indexed by stream: where the search for its next entry starts.
        std::array<std::size_t, 5> cursors{};
    };

    // At most this many idle notifications are sent for the bus hook-up.
    static constexpr int kMostIdleNotifications = 8;

    ScenarioRunner(KXPluginMainProc entry, TranscriptRenderer& renderer);

    RunOutcome run(const Scenario& scenario);

    // The same run a command at a time, for a scenario that arrives as it is
    // typed: begin, then step while it answers true, then end.
    void begin(bool manual);
    // False once a failure has ended the run; later commands are not run.
    bool step(const Scenario::Command& command);
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
    void runCommand(const Scenario::Command& command);
    void execute(const Scenario::Command& command);
    void callPluginMain(const Scenario::Command& command);
    std::int32_t sendPluginMain(const std::string& caller, const std::string& selector);
    void send(const Scenario::Command& command);
    void nullHostMember(HostCallKind member);
    void failSubscription(const Scenario::Command& command);
    void expectEntry(const Scenario::Command& command);
    void expectNothing(const Scenario::Command& command);
    bool busHookedUp() const;
    void fail(std::size_t line, std::string message, std::string expected = {}, std::string actual = {});
    void beginStep(std::size_t line, const std::string& source);
    void report();

    KXPluginMainProc entry;
    TranscriptRenderer& renderer;
    Host host;
    Transcript transcript{host};
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
