#include "HostString.h"

#include <cstring>

namespace {

const char* charactersOf(KXString value) noexcept { return reinterpret_cast<const char*>(value); }

}  // namespace

KXString HostString::value() const noexcept { return reinterpret_cast<KXString>(text.c_str()); }

std::optional<std::string> HostString::textOf(KXString value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(charactersOf(value));
}

bool HostString::equals(KXString value, const char* literal) noexcept {
    return value != nullptr && literal != nullptr && std::strcmp(charactersOf(value), literal) == 0;
}
