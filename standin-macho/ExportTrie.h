// Looks a symbol up in dyld's export trie.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ByteCursor.h"

class ExportTrie {
public:
    // The symbol's address relative to the image, or none if it is not
    // exported. Refuses (MachORefusal) re-exports, stub resolvers and
    // thread-local exports, and a trie that does not lead anywhere.
    static std::optional<std::uint64_t> find(ByteCursor trie, const std::string& symbol);
};
