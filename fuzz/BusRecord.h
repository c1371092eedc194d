// A copy of one event record that went over the bus, null texts kept as null.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "CflxEvent.h"

struct BusRecord {
    std::optional<std::string> eventType;
    std::int32_t deliveryMode = 0;
    std::optional<std::string> senderApp;
    std::optional<std::string> senderExtension;
    std::optional<std::string> payload;

    static BusRecord of(const cflx::event::Event& event);
    // What the plug-in sends: its own sender app, no sender extension, mode 0.
    static BusRecord fromPlugin(std::string eventType, std::string payload);

    // Every member, texts escaped, so two records compare as their texts.
    std::string describe() const;
};
