#include "EventCatalogue.h"

#include <algorithm>
#include <iterator>

#include "LMEventCatalogue.h"

namespace {

template <std::size_t count>
bool listed(const char* const (&types)[count], const std::string& type) {
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

}  // namespace

std::string EventCatalogue::typeOf(const std::string& name) {
    const std::string type = LMEventCatalogue::kEventTypePrefix + name;
    return listed(LMEventCatalogue::kRequests, type) || listed(LMEventCatalogue::kSent, type) ? type : name;
}
