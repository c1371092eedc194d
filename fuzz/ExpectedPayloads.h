// The payloads the plug-in should send, built here and not taken from the
// plug-in on purpose: the models predict every payload on their own (as they
// convert event texts to ids on their own, RegistryModel::eventID), so a slip
// in the plug-in's builders shows up as a divergence instead of agreeing with
// itself. Only the fixed markers come from the shared catalogue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LMEventCatalogue.h"

namespace ExpectedPayloads {

// The answer to a list request: each event text verbatim, in the order given.
inline std::string eventListPayload(const std::vector<std::string>& events) {
    std::string payload = LMEventCatalogue::kEventListHead;
    for (const std::string& event : events) {
        payload.append(LMEventCatalogue::kEventListItemHead)
            .append(event)
            .append(LMEventCatalogue::kEventListItemTail);
    }
    return payload + LMEventCatalogue::kEventListTail;
}

// What a host notification of eventID becomes on the bus.
inline std::string eventPayload(std::uint32_t eventID) {
    return LMEventCatalogue::kEventPayloadHead + std::to_string(eventID) +
           LMEventCatalogue::kEventPayloadTail;
}

}  // namespace ExpectedPayloads
