#include "DwarfFrameWriter.h"

#include <mach-o/compact_unwind_encoding.h>

#include <iterator>
#include <string>

#include "MachORefusal.h"

namespace {

// DWARF's x86-64 register numbers, in the order of the compact encoding's
// register numbers 1 to 6 (rbx, r12, r13, r14, r15, rbp).
constexpr std::uint8_t kDwarfRegisters[] = {3, 12, 13, 14, 15, 6};
constexpr std::uint8_t kDwarfRbp = 6;
constexpr std::uint8_t kDwarfRsp = 7;
constexpr std::uint8_t kDwarfReturnAddress = 16;
constexpr std::int64_t kDataAlignment = -8;
constexpr unsigned kRbpFrameRegisterSlots = 5;
constexpr unsigned kRegisterBits = 3;
constexpr std::uint32_t kRegisterMask = 0x7;

constexpr std::uint8_t DW_CFA_nop = 0x00;
constexpr std::uint8_t DW_CFA_def_cfa = 0x0C;
constexpr std::uint8_t DW_CFA_def_cfa_offset = 0x0E;
constexpr std::uint8_t DW_CFA_offset = 0x80;
constexpr std::uint8_t DW_EH_PE_absptr = 0x00;

std::uint32_t bits(std::uint32_t encoding, std::uint32_t mask) {
    std::uint32_t value = encoding & mask;
    for (std::uint32_t low = mask; (low & 1) == 0; low >>= 1) {
        value >>= 1;
    }
    return value;
}

class Writer {
public:
    std::vector<std::uint8_t> bytes;

    void u8(std::uint8_t value) { bytes.push_back(value); }
    void u32(std::uint32_t value) {
        for (unsigned shift = 0; shift < 32; shift += 8) {
            u8(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void u64(std::uint64_t value) {
        u32(static_cast<std::uint32_t>(value));
        u32(static_cast<std::uint32_t>(value >> 32));
    }
    void uleb(std::uint64_t value) {
        do {
            const auto low = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
            u8(static_cast<std::uint8_t>(low | (value != 0 ? 0x80 : 0)));
        } while (value != 0);
    }
    void sleb(std::int64_t value) {
        bool more = true;
        while (more) {
            const auto low = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0x7F);
            value >>= 7;  // arithmetic on every compiler this builds with
            more = !((value == 0 && (low & 0x40) == 0) || (value == -1 && (low & 0x40) != 0));
            u8(static_cast<std::uint8_t>(low | (more ? 0x80 : 0)));
        }
    }
    // Starts an entry whose 32-bit length is filled in by finish.
    std::size_t start() {
        const std::size_t at = bytes.size();
        u32(0);
        return at;
    }
    // Pads with DW_CFA_nop to pointer alignment and writes the length.
    void finish(std::size_t entry) {
        while (bytes.size() % sizeof(std::uint64_t) != 0) {
            u8(DW_CFA_nop);
        }
        const auto length = static_cast<std::uint32_t>(bytes.size() - entry - sizeof(std::uint32_t));
        for (unsigned index = 0; index < sizeof(length); ++index) {
            bytes[entry + index] = static_cast<std::uint8_t>(length >> (8 * index));
        }
    }
    // The register is saved this many bytes below the canonical frame address.
    void savedAt(std::uint8_t dwarfRegister, std::uint64_t below) {
        u8(static_cast<std::uint8_t>(DW_CFA_offset | dwarfRegister));
        uleb(below / static_cast<std::uint64_t>(-kDataAlignment));
    }
};

// A common information entry: the return address at CFA-8 with CFA = rsp+8,
// and, with a personality, "zPLR" so that each entry carries its LSDA.
std::size_t writeCommonEntry(Writer& out, const std::uint64_t* personality) {
    const std::size_t entry = out.start();
    out.u32(0);  // id of a common information entry
    out.u8(1);   // version
    for (const char c : std::string(personality != nullptr ? "zPLR" : "zR")) {
        out.u8(static_cast<std::uint8_t>(c));
    }
    out.u8(0);
    out.uleb(1);
    out.sleb(kDataAlignment);
    out.uleb(kDwarfReturnAddress);
    if (personality != nullptr) {
        out.uleb(1 + sizeof(std::uint64_t) + 1 + 1);
        out.u8(DW_EH_PE_absptr);
        out.u64(*personality);
        out.u8(DW_EH_PE_absptr);
    } else {
        out.uleb(1);
    }
    out.u8(DW_EH_PE_absptr);
    out.u8(DW_CFA_def_cfa);
    out.uleb(kDwarfRsp);
    out.uleb(sizeof(std::uint64_t));
    out.savedAt(kDwarfReturnAddress, sizeof(std::uint64_t));
    out.finish(entry);
    return entry;
}

// The compact unwinder's numbering of up to six saved registers, taken apart.
std::vector<std::uint8_t> framelessRegisters(std::uint32_t count, std::uint32_t permutation) {
    static const std::uint32_t kDivisors[7][6] = {
        {}, {1}, {5, 1}, {20, 4, 1}, {60, 12, 3, 1}, {120, 24, 6, 2, 1}, {120, 24, 6, 2, 1, 1}};
    if (count >= std::size(kDivisors)) {
        throw MachORefusal("the __unwind_info section saves " + std::to_string(count) + " registers, more than there are");
    }
    std::vector<std::uint32_t> ranks;
    for (std::uint32_t index = 0; index < count; ++index) {
        const std::uint32_t divisor = kDivisors[count][index];
        ranks.push_back(index == 5 ? 0 : permutation / divisor);
        permutation -= ranks.back() * divisor;
    }
    std::vector<std::uint8_t> registers;
    bool used[7] = {};
    for (const std::uint32_t rank : ranks) {
        std::uint32_t seen = 0;
        for (std::uint8_t candidate = 1; candidate <= 6; ++candidate) {
            if (!used[candidate] && seen++ == rank) {
                used[candidate] = true;
                registers.push_back(candidate);
                break;
            }
        }
    }
    if (registers.size() != count) {
        throw MachORefusal("the __unwind_info section holds a register permutation that names no registers");
    }
    return registers;
}

void writeInstructions(Writer& out, std::uint32_t encoding) {
    switch (encoding & UNWIND_X86_64_MODE_MASK) {
        case UNWIND_X86_64_MODE_RBP_FRAME: {
            // CFA = rbp+16, the caller's rbp below the return address, and the
            // saved registers from offset slots below rbp upwards.
            out.u8(DW_CFA_def_cfa);
            out.uleb(kDwarfRbp);
            out.uleb(2 * sizeof(std::uint64_t));
            out.savedAt(kDwarfRbp, 2 * sizeof(std::uint64_t));
            const std::uint64_t first = (2 + bits(encoding, UNWIND_X86_64_RBP_FRAME_OFFSET)) * sizeof(std::uint64_t);
            std::uint32_t slots = bits(encoding, UNWIND_X86_64_RBP_FRAME_REGISTERS);
            for (unsigned slot = 0; slot < kRbpFrameRegisterSlots; ++slot, slots >>= kRegisterBits) {
                const std::uint32_t reg = slots & kRegisterMask;
                if (reg < UNWIND_X86_64_REG_RBX || reg > UNWIND_X86_64_REG_R15) {
                    continue;
                }
                out.savedAt(kDwarfRegisters[reg - 1], first - slot * sizeof(std::uint64_t));
            }
            return;
        }
        case UNWIND_X86_64_MODE_STACK_IMMD: {
            // CFA = rsp+size, the registers pushed just below the return address.
            const std::uint64_t size = bits(encoding, UNWIND_X86_64_FRAMELESS_STACK_SIZE) * sizeof(std::uint64_t);
            out.u8(DW_CFA_def_cfa_offset);
            out.uleb(size);
            const std::vector<std::uint8_t> registers =
                framelessRegisters(bits(encoding, UNWIND_X86_64_FRAMELESS_STACK_REG_COUNT),
                                   bits(encoding, UNWIND_X86_64_FRAMELESS_STACK_REG_PERMUTATION));
            for (std::size_t index = 0; index < registers.size(); ++index) {
                out.savedAt(kDwarfRegisters[registers[index] - 1],
                            (1 + registers.size() - index) * sizeof(std::uint64_t));
            }
            return;
        }
        default:
            throw MachORefusal("compact unwind mode " + MachORefusal::hex(encoding & UNWIND_X86_64_MODE_MASK) +
                               " is not supported");
    }
}

}  // namespace

DwarfFrames DwarfFrameWriter::write(const CompactUnwindTable& table, std::uint64_t image,
                                    const std::vector<std::uint64_t>& personalities) {
    Writer out;
    std::vector<std::size_t> commonEntries;
    commonEntries.push_back(writeCommonEntry(out, nullptr));
    for (const std::uint64_t& personality : personalities) {
        commonEntries.push_back(writeCommonEntry(out, &personality));
    }
    DwarfFrames frames;
    for (const CompactUnwindEntry& function : table.functions) {
        if ((function.encoding & UNWIND_X86_64_MODE_MASK) == 0) {
            continue;
        }
        const std::uint32_t personality = bits(function.encoding, UNWIND_PERSONALITY_MASK);
        if (personality >= commonEntries.size()) {
            throw MachORefusal("the __unwind_info section names personality " + std::to_string(personality) +
                               ", which it does not hold");
        }
        const std::size_t entry = out.start();
        frames.entries.push_back(entry);
        out.u32(static_cast<std::uint32_t>(entry + sizeof(std::uint32_t) - commonEntries[personality]));
        out.u64(image + function.start);
        out.u64(function.end - function.start);
        if (personality != 0) {
            out.uleb(sizeof(std::uint64_t));
            out.u64(function.lsda == 0 ? 0 : image + function.lsda);
        } else {
            out.uleb(0);
        }
        writeInstructions(out, function.encoding);
        out.finish(entry);
    }
    frames.bytes = std::move(out.bytes);
    return frames;
}
