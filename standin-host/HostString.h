// A host string value as the plug-in receives it: an opaque KXString.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "KXPlugin.h"

// This host's KXString points at a NUL-terminated copy of the text. The value
// is valid while the HostString lives, so the host makes one per call.
class HostString {
public:
    explicit HostString(std::string text) : text(std::move(text)) {}

    KXString value() const noexcept;

    // The text behind a value this host made; std::nullopt for null.
    static std::optional<std::string> textOf(KXString value);
    // sameString's comparison: byte for byte, false when either side is null.
    static bool equals(KXString value, const char* literal) noexcept;

private:
    std::string text;
};
