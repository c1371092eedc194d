// Bounds-checked reading of the little-endian values, LEB128 numbers and
// C strings that Mach-O files are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads within [data, data + size); a read that would leave it refuses the
// file with a MachORefusal naming what was being read.
class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size, std::string what);

    bool atEnd() const noexcept { return position == size; }
    std::size_t offset() const noexcept { return position; }
    void seek(std::uint64_t offset);

    std::uint8_t byte();
    std::uint32_t u32();
    std::uint64_t u64();
    std::uint64_t uleb128();
    std::int64_t sleb128();
    // Up to the terminating NUL, which is consumed.
    std::string cString();
    std::string fixedString(std::size_t length);

private:
    void need(std::size_t count) const;

    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
    std::string what;
};
