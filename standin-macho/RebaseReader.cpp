#include "RebaseReader.h"

#include <mach-o/loader.h>

#include <string>

#include "MachORefusal.h"

namespace {

constexpr std::uint64_t kPointerSize = sizeof(std::uint64_t);
constexpr const char* kTable = "rebase information";

class RebaseState {
public:
    RebaseState(const SegmentBounds& bounds, std::vector<Rebase>& found) : bounds(bounds), found(found) {}

    void at(std::uint64_t newSegment, std::uint64_t newOffset) {
        segment = newSegment;
        offset = newOffset;
    }
    void advance(std::uint64_t distance) { offset += distance; }
    // Rebases count pointers, each followed by a gap of skip bytes.
    void rebase(std::uint64_t count, std::uint64_t skip) {
        for (std::uint64_t done = 0; done < count; ++done) {
            bounds.check(segment, offset, kTable);
            bounds.checkCount(found.size() + 1, kTable);
            found.push_back(Rebase{segment, offset});
            // Offsets wrap around, as dyld's do: that is how a step goes back.
            offset += kPointerSize + skip;
        }
    }

private:
    const SegmentBounds& bounds;
    std::vector<Rebase>& found;
    std::uint64_t segment = ~std::uint64_t{0};
    std::uint64_t offset = 0;
};

}  // namespace

std::vector<Rebase> RebaseReader::read(ByteCursor opcodes, const SegmentBounds& bounds) {
    std::vector<Rebase> found;
    RebaseState state(bounds, found);
    while (!opcodes.atEnd()) {
        const std::uint8_t byte = opcodes.byte();
        const std::uint8_t immediate = byte & REBASE_IMMEDIATE_MASK;
        switch (byte & REBASE_OPCODE_MASK) {
            case REBASE_OPCODE_DONE:
                return found;
            case REBASE_OPCODE_SET_TYPE_IMM:
                if (immediate != REBASE_TYPE_POINTER) {
                    throw MachORefusal("rebase type " + MachORefusal::hex(immediate) + " is not supported");
                }
                break;
            case REBASE_OPCODE_SET_SEGMENT_AND_OFFSET_ULEB: {
                const std::uint64_t offset = opcodes.uleb128();
                state.at(immediate, offset);
                break;
            }
            case REBASE_OPCODE_ADD_ADDR_ULEB:
                state.advance(opcodes.uleb128());
                break;
            case REBASE_OPCODE_ADD_ADDR_IMM_SCALED:
                state.advance(immediate * kPointerSize);
                break;
            case REBASE_OPCODE_DO_REBASE_IMM_TIMES:
                state.rebase(immediate, 0);
                break;
            case REBASE_OPCODE_DO_REBASE_ULEB_TIMES:
                state.rebase(opcodes.uleb128(), 0);
                break;
            case REBASE_OPCODE_DO_REBASE_ADD_ADDR_ULEB:
                state.rebase(1, opcodes.uleb128());
                break;
            case REBASE_OPCODE_DO_REBASE_ULEB_TIMES_SKIPPING_ULEB: {
                const std::uint64_t count = opcodes.uleb128();
                state.rebase(count, opcodes.uleb128());
                break;
            }
            default:
                throw MachORefusal("unknown rebase opcode " + MachORefusal::hex(byte & REBASE_OPCODE_MASK));
        }
    }
    return found;
}
