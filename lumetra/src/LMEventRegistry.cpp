#include "LMEventRegistry.h"

namespace {

bool isCLocaleSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Only the low 16 bits carry the host's status.
bool hostAgreed(LMErr status) { return status == 0; }

}  // namespace

LMEventRegistry::LMEventRegistry(KXPlugin* plugin, LMActionControlProcs* suite,
                                 LMNotifyProc notifier)
    : plugin(plugin), suite(suite), notifier(notifier) {}

std::uint32_t LMEventRegistry::eventIDFromText(const std::string& event) noexcept {
    auto next = event.begin();
    while (next != event.end() && isCLocaleSpace(*next)) {
        ++next;
    }
    const bool negative = next != event.end() && *next == '-';
    if (next != event.end() && (*next == '-' || *next == '+')) {
        ++next;
    }
    std::uint32_t value = 0;
    for (; next != event.end() && isDecimalDigit(*next); ++next) {
        value = value * 10u + static_cast<std::uint32_t>(*next - '0');
    }
    return negative ? 0u - value : value;
}

bool LMEventRegistry::registerListener(std::string event, std::string) {
    if (suite == nullptr || suite->addNotifier == nullptr) {
        return false;
    }
    return hostAgreed(suite->addNotifier(plugin, eventIDFromText(event), notifier, nullptr));
}

bool LMEventRegistry::unregisterListener(std::string event, std::string) {
    if (suite == nullptr || suite->removeNotifier == nullptr) {
        return false;
    }
    return hostAgreed(suite->removeNotifier(plugin, eventIDFromText(event)));
}
