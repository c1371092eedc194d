#include "PointerLabels.h"

#include <cstdio>
#include <utility>

PointerLabels::PointerLabels(std::string prefix) : prefix(std::move(prefix)) {}

TranscriptValue PointerLabels::labelOf(std::uintptr_t pointer) {
    if (pointer == 0) {
        return TranscriptValue::null();
    }
    const std::size_t number = labels.emplace(pointer, labels.size() + 1).first->second;
    return TranscriptValue::word(prefix + std::to_string(number));
}

TranscriptValue PointerLabels::address(std::uintptr_t pointer) {
    if (pointer == 0) {
        return TranscriptValue::null();
    }
    char digits[2 + 2 * sizeof(pointer) + 1];
    std::snprintf(digits, sizeof(digits), "0x%llx", static_cast<unsigned long long>(pointer));
    return TranscriptValue::word(digits);
}
