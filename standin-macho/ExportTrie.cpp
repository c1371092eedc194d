#include "ExportTrie.h"

#include <mach-o/loader.h>

#include "MachORefusal.h"

namespace {

// The address of the symbol whose terminal information starts here.
std::uint64_t terminalAddress(ByteCursor& trie, const std::string& symbol) {
    const std::uint64_t flags = trie.uleb128();
    if (flags != EXPORT_SYMBOL_FLAGS_KIND_REGULAR) {
        throw MachORefusal("export flags " + MachORefusal::hex(flags) + " of " + symbol + " are not supported");
    }
    return trie.uleb128();
}

}  // namespace

std::optional<std::uint64_t> ExportTrie::find(ByteCursor trie, const std::string& symbol) {
    std::size_t matched = 0;
    // Every edge taken consumes at least one character, so this ends.
    for (;;) {
        const std::uint64_t terminalSize = trie.uleb128();
        const std::size_t terminalStart = trie.offset();
        if (matched == symbol.size()) {
            return terminalSize == 0 ? std::nullopt : std::optional<std::uint64_t>(terminalAddress(trie, symbol));
        }
        trie.seek(terminalStart + terminalSize);
        const std::uint8_t children = trie.byte();
        bool followed = false;
        for (std::uint8_t child = 0; child < children && !followed; ++child) {
            const std::string edge = trie.cString();
            const std::uint64_t next = trie.uleb128();
            if (!edge.empty() && symbol.compare(matched, edge.size(), edge) == 0) {
                matched += edge.size();
                trie.seek(next);
                followed = true;
            }
        }
        if (!followed) {
            return std::nullopt;
        }
    }
}
