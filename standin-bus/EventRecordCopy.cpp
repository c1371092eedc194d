#include "EventRecordCopy.h"

EventRecordCopy::EventRecordCopy(const cflx::event::Event& event)
    : eventType(copyOf(event.eventType)),
      senderApp(copyOf(event.senderApp)),
      senderExtension(copyOf(event.senderExtension)),
      payload(copyOf(event.payload)),
      copy{textOf(eventType), event.deliveryMode, textOf(senderApp), textOf(senderExtension),
           textOf(payload)} {}

std::optional<std::string> EventRecordCopy::copyOf(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

const char* EventRecordCopy::textOf(const std::optional<std::string>& text) noexcept {
    return text ? text->c_str() : nullptr;
}
