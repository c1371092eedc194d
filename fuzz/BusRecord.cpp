#include "BusRecord.h"

#include <utility>

#include "Divergence.h"
#include "LMEventCatalogue.h"

namespace {

std::optional<std::string> copyOf(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace

BusRecord BusRecord::of(const cflx::event::Event& event) {
    return BusRecord{copyOf(event.eventType), event.deliveryMode, copyOf(event.senderApp),
                     copyOf(event.senderExtension), copyOf(event.payload)};
}

BusRecord BusRecord::fromPlugin(std::string eventType, std::string payload) {
    return BusRecord{std::move(eventType), 0, std::string(LMEventCatalogue::kSenderApp), std::nullopt,
                     std::move(payload)};
}

std::string BusRecord::describe() const {
    return Divergence::quoted(eventType) + " mode " + std::to_string(deliveryMode) + " from " +
           Divergence::quoted(senderApp) + "/" + Divergence::quoted(senderExtension) + ": " + Divergence::quoted(payload);
}
