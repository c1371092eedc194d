#include "TypeCountdown.h"

void TypeCountdown::add(const std::string& eventType, std::int32_t count) { left[eventType] += count; }

bool TypeCountdown::take(const char* eventType) {
    if (eventType == nullptr || left.empty()) {
        return false;
    }
    const auto found = left.find(eventType);
    if (found == left.end()) {
        return false;
    }
    if (--found->second == 0) {
        left.erase(found);
    }
    return true;
}
