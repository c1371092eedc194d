// The small alphabet that fuzz inputs pick event texts, listeners and host
// answers from: few enough symbols to collide often, chosen to hit the edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzAlphabet {
public:
    // Texts that convert to the same id in different spellings, ids at the
    // 32-bit edges, texts without digits, markup characters, bytes that are
    // not UTF-8. None holds a NUL byte, so each also travels over the bus.
    static const std::vector<std::string>& eventTexts();
    static const std::vector<std::string>& listeners();
    // 32-bit host statuses; about half count as success in 16 bits.
    static const std::vector<std::int32_t>& statuses();

    static const std::string& eventText(std::size_t choice);
    static const std::string& listener(std::size_t choice);
    static std::int32_t status(std::size_t choice);
};
