#include "BindReader.h"

#include <mach-o/loader.h>

#include <string>

#include "MachORefusal.h"

namespace {

constexpr std::uint64_t kPointerSize = sizeof(std::uint64_t);
constexpr const char* kTable = "bind information";

class BindState {
public:
    BindState(const SegmentBounds& bounds, std::vector<Binding>& found) : bounds(bounds), found(found) {
        next.segment = ~std::uint64_t{0};
    }

    Binding next;

    void advance(std::uint64_t distance) { next.offset += distance; }
    // Binds count pointers, each followed by a gap of skip bytes.
    void bind(std::uint64_t count, std::uint64_t skip) {
        if (next.library == 0 || next.symbol.empty()) {
            throw MachORefusal("the bind information binds before naming a library and a symbol");
        }
        for (std::uint64_t done = 0; done < count; ++done) {
            bounds.check(next.segment, next.offset, kTable);
            bounds.checkCount(found.size() + 1, kTable);
            found.push_back(next);
            // Offsets wrap around, as dyld's do: that is how a step goes back.
            next.offset += kPointerSize + skip;
        }
    }

private:
    const SegmentBounds& bounds;
    std::vector<Binding>& found;
};

void setSymbol(BindState& state, ByteCursor& opcodes, std::uint8_t flags) {
    state.next.symbol = opcodes.cString();
    if ((flags & BIND_SYMBOL_FLAGS_WEAK_IMPORT) != 0) {
        throw MachORefusal("weak import of " + state.next.symbol + " is not supported");
    }
    if (flags != 0) {
        throw MachORefusal("symbol flags " + MachORefusal::hex(flags) + " of " + state.next.symbol +
                           " are not supported");
    }
}

}  // namespace

std::vector<Binding> BindReader::read(ByteCursor opcodes, const SegmentBounds& bounds, Table table) {
    std::vector<Binding> found;
    BindState state(bounds, found);
    while (!opcodes.atEnd()) {
        const std::uint8_t byte = opcodes.byte();
        const std::uint8_t immediate = byte & BIND_IMMEDIATE_MASK;
        switch (byte & BIND_OPCODE_MASK) {
            case BIND_OPCODE_DONE:
                if (table == Table::eager) {
                    return found;
                }
                break;
            case BIND_OPCODE_SET_DYLIB_ORDINAL_IMM:
                state.next.library = immediate;
                break;
            case BIND_OPCODE_SET_DYLIB_ORDINAL_ULEB:
                state.next.library = opcodes.uleb128();
                break;
            case BIND_OPCODE_SET_DYLIB_SPECIAL_IMM:
                throw MachORefusal("special library ordinal " + MachORefusal::hex(immediate) + " is not supported");
            case BIND_OPCODE_SET_SYMBOL_TRAILING_FLAGS_IMM:
                setSymbol(state, opcodes, immediate);
                break;
            case BIND_OPCODE_SET_TYPE_IMM:
                if (immediate != BIND_TYPE_POINTER) {
                    throw MachORefusal("bind type " + MachORefusal::hex(immediate) + " is not supported");
                }
                break;
            case BIND_OPCODE_SET_ADDEND_SLEB:
                state.next.addend = opcodes.sleb128();
                break;
            case BIND_OPCODE_SET_SEGMENT_AND_OFFSET_ULEB:
                state.next.segment = immediate;
                state.next.offset = opcodes.uleb128();
                break;
            case BIND_OPCODE_ADD_ADDR_ULEB:
                state.advance(opcodes.uleb128());
                break;
            case BIND_OPCODE_DO_BIND:
                state.bind(1, 0);
                break;
            case BIND_OPCODE_DO_BIND_ADD_ADDR_ULEB:
                state.bind(1, opcodes.uleb128());
                break;
            case BIND_OPCODE_DO_BIND_ADD_ADDR_IMM_SCALED:
                state.bind(1, immediate * kPointerSize);
                break;
            case BIND_OPCODE_DO_BIND_ULEB_TIMES_SKIPPING_ULEB: {
                const std::uint64_t count = opcodes.uleb128();
                state.bind(count, opcodes.uleb128());
                break;
            }
            default:
                throw MachORefusal("unknown bind opcode " + MachORefusal::hex(byte & BIND_OPCODE_MASK));
        }
    }
    return found;
}
