// Transcript entries for what crosses the bus.
#pragma once

#include <cstdint>
#include <string>

#include "CflxEvent.h"
#include "TranscriptEntry.h"
#include "TranscriptValue.h"

// The same functions build the entries of a run and the patterns of
// expectations, so both always have the same shape.
class BusEntries {
public:
    // An event that the plug-in dispatched. Its senderApp, senderExtension and
    // deliveryMode are details, shown where they differ from what the plug-in
    // must always send ("LMTR", null, 0).
    static TranscriptEntry pluginDispatch(const cflx::event::Event* event);
    // The pattern of `expect bus`: the record the plug-in must send.
    static TranscriptEntry expectedDispatch(const std::string& eventType,
                                            const std::optional<std::string>& payload);
    // An extension's request, written like the `send` command that makes it.
    static TranscriptEntry extensionDispatch(const cflx::event::Event& event);
    // One AddEventListener call of the plug-in, with the label of its handler.
    static TranscriptEntry subscription(const char* eventType, TranscriptValue handler, void* userData,
                                        std::int32_t status);
    // The pattern of `expect subscribe`: the user data must be null.
    static TranscriptEntry expectedSubscription(const std::string& eventType, std::int32_t status);

private:
    static TranscriptValue textOf(const char* text);
    static TranscriptValue nameOf(const char* text);
};
