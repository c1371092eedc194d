#include "Divergence.h"

#include <cstdio>
#include <cstdlib>

void Divergence::check(std::size_t step, const char* what, const std::string& expected,
                       const std::string& actual) {
    if (expected == actual) {
        return;
    }
    std::fprintf(stderr, "divergence at step %zu in %s\n  model:   %s\n  product: %s\n", step, what,
                 expected.c_str(), actual.c_str());
    std::abort();
}

std::string Divergence::quoted(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append(1, '\\').append(1, c);
        } else if (byte >= 0x20 && byte < 0x7F) {
            out.append(1, c);
        } else {
            out.append("\\x").append(1, digits[byte >> 4]).append(1, digits[byte & 0xF]);
        }
    }
    return out.append("\"");
}

std::string Divergence::quoted(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (const std::string& text : texts) {
        out.append(out.size() > 1 ? ", " : "").append(quoted(text));
    }
    return out.append("]");
}
