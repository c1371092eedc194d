// An entry written as one line in scenario syntax.
#pragma once

#include <string>

#include "TranscriptEntry.h"
#include "TranscriptValue.h"

// The plug-in's calls are written exactly as an expectation about them, so
// `expect ` followed by such a line holds for that call.
class EntryText {
public:
    // e.g. `host addNotifier plugin 7 notifier2 null -> 0`,
    // `bus com.corvane.lumetra.events.PingResponseEvent ""`.
    static std::string describe(const TranscriptEntry& entry);
    static std::string describe(const TranscriptValue& value);
    // Who made the call: host, extension or plug-in.
    static const char* actorName(TranscriptActor actor) noexcept;
    // What the call was made to: host, bus or plug-in.
    static const char* calleeName(const TranscriptEntry& entry) noexcept;
    // The word after `expect` and `expect nothing`: bus, subscribe, host,
    // sameString.
    static const char* streamName(TranscriptStream stream) noexcept;

private:
    static std::string keyword(const TranscriptEntry& entry);
    static std::string shownDetails(const TranscriptEntry& entry);
};
