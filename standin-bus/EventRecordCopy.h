// The bus's own copy of an event record, handed to one subscriber.
#pragma once

#include <optional>
#include <string>

#include "CflxEvent.h"

// A null text stays null and an empty one stays empty. The record points into
// the copy, so the copy neither moves nor copies.
class EventRecordCopy {
public:
    explicit EventRecordCopy(const cflx::event::Event& event);
    EventRecordCopy(const EventRecordCopy&) = delete;
    EventRecordCopy& operator=(const EventRecordCopy&) = delete;

    const cflx::event::Event* record() const noexcept { return &copy; }

private:
    static std::optional<std::string> copyOf(const char* text);
    static const char* textOf(const std::optional<std::string>& text) noexcept;

    std::optional<std::string> eventType;
    std::optional<std::string> senderApp;
    std::optional<std::string> senderExtension;
    std::optional<std::string> payload;
    cflx::event::Event copy;
};
