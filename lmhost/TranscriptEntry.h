// One call in a run, as the transcript shows it and an expectation describes it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "TranscriptValue.h"

enum class TranscriptActor { host, extension, plugin };

// What an expectation can be about. The plug-in's calls fall into four
// streams, each with a cursor of its own; the host's and the extensions'
// own calls are shown but never expected.
enum class TranscriptStream { none, bus, subscribe, host, sameString };

constexpr TranscriptStream kExpectableStreams[] = {TranscriptStream::bus, TranscriptStream::subscribe,
                                                   TranscriptStream::host, TranscriptStream::sameString};

struct TranscriptField {
    std::string name;
    TranscriptValue value;
    // Details are shown in the text transcript only where they tell
    // something, e.g. a record member that differs from what the plug-in
    // must always send.
    bool shownInText = true;
};

struct TranscriptEntry {
    // The scenario line that caused the call; 0 for lmhost's own steps.
    std::size_t line = 0;
    TranscriptActor actor = TranscriptActor::host;
    TranscriptStream stream = TranscriptStream::none;
    // The function that was called: addNotifier, DispatchEvent, PluginMain...
    std::string call;
    std::vector<TranscriptField> arguments;
    std::optional<TranscriptField> result;
    // Never compared, except the ones an expectation lists (it then requires
    // the entry to carry them with equal values).
    std::vector<TranscriptField> details;
};
