// A parsed scenario: its commands in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Host.h"
#include "HostCall.h"
#include "TranscriptEntry.h"

struct Scenario {
    // A request an extension sends on the bus; its texts may be null.
    struct Request {
        std::string eventType;
        std::optional<std::string> senderExtension;
        std::optional<std::string> payload;
    };

    // Which fields a kind uses is listed with it; the others keep their defaults.
    struct Command {
        enum class Kind {
            // caller, selector, expectedResult.
            pluginMain,
            // eventID.
            fire,
            // request.
            send,
            // hostCall, status.
            scriptHostStatus,
            // hostCall: the member to null.
            nullHostMember,
            // messageShape, for the next PluginMain call.
            shapeNextMessage,
            // eventName, eventID.
            defineHostEvent,
            // eventType, status.
            failSubscription,
            // eventType, onSubscription (else a dispatch of that type).
            throwFromBus,
            // request, and eventType: the type during whose next dispatch the
            // bus sends it.
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
        std::string caller;
        std::string selector;
        std::int32_t expectedResult = 0;
        std::string eventName;
        std::uint32_t eventID = 0;
        std::string eventType;
        Request request;
        std::int32_t status = 0;
        HostCallKind hostCall = HostCallKind::fetchSuite;
        Host::MessageShape messageShape = Host::MessageShape::complete;
        bool onSubscription = false;
        TranscriptEntry pattern;
    };

    // Shown in messages before the line number, e.g. "ping.lmh".
    std::string name;
    // Written `manual` first: lmhost then calls neither Startup nor Shutdown
    // and sends no idle notification on its own.
    bool manual = false;
    std::vector<Command> commands;
};
