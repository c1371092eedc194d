// One command of a scenario, as the parser read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Host.h"
#include "HostCall.h"
#include "TranscriptEntry.h"

// Which members a kind uses is listed with it; the others keep their defaults.
struct ScenarioCommand {
    enum class Kind {
        // texts: caller, selector; expectedResult.
        pluginMain,
        // eventID.
        fire,
        // texts: event type, sender extension, payload (each may be null).
        send,
        // hostCall, status.
        scriptHostStatus,
        // texts: member name.
        nullHostMember,
        // messageShape, for the next PluginMain call.
        shapeNextMessage,
        // texts: event name; eventID.
        defineHostEvent,
        // texts: event type; status.
        failSubscription,
        // texts: event type; onSubscription (else a dispatch of that type).
        throwFromBus,
        // texts: event type, sender extension, payload, then the type during
        // whose next dispatch the bus sends the request.
        sendDuring,
        // The next addNotifier that the host accepts notifies from inside.
        notifyInsideAdd,
        // The next accepted fetch answers success with a null suite.
        fetchNullSuite,
        // status: what the next sameString answers in its whole register.
        scriptSameString,
        // pattern.
        expectEntry,
        // pattern.stream; none means every stream.
        expectNothing,
    };

    Kind kind = Kind::pluginMain;
    std::size_t line = 0;
    // The line as written, for the transcript.
    std::string source;
    std::vector<std::optional<std::string>> texts;
    std::uint32_t eventID = 0;
    std::int32_t status = 0;
    std::int32_t expectedResult = 0;
    HostCallKind hostCall = HostCallKind::fetchSuite;
    Host::MessageShape messageShape = Host::MessageShape::complete;
    bool onSubscription = false;
    TranscriptEntry pattern;
};
