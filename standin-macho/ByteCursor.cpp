#include "ByteCursor.h"

#include <cstring>
#include <utility>

#include "MachORefusal.h"

namespace {

constexpr unsigned kLebPayloadBits = 7;
constexpr std::uint8_t kLebMore = 0x80;
constexpr std::uint8_t kLebPayload = 0x7F;
constexpr std::uint8_t kLebSign = 0x40;
constexpr unsigned kValueBits = 64;

}  // namespace

ByteCursor::ByteCursor(const std::uint8_t* data, std::size_t size, std::string what)
    : data(data), size(size), what(std::move(what)) {}

void ByteCursor::need(std::size_t count) const {
    if (count > size - position) {
        throw MachORefusal("the " + what + " ends inside a value");
    }
}

void ByteCursor::seek(std::uint64_t offset) {
    if (offset > size) {
        throw MachORefusal("the " + what + " points outside itself");
    }
    position = static_cast<std::size_t>(offset);
}

std::uint8_t ByteCursor::byte() {
    need(1);
    return data[position++];
}

std::uint32_t ByteCursor::u32() {
    need(sizeof(std::uint32_t));
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < sizeof(value); ++i) {
        value |= static_cast<std::uint32_t>(data[position + i]) << (8 * i);
    }
    position += sizeof(value);
    return value;
}

std::uint64_t ByteCursor::u64() {
    const std::uint64_t low = u32();
    return low | static_cast<std::uint64_t>(u32()) << 32;
}

std::uint64_t ByteCursor::uleb128() {
    std::uint64_t value = 0;
    for (unsigned shift = 0;; shift += kLebPayloadBits) {
        const std::uint8_t next = byte();
        const std::uint64_t payload = next & kLebPayload;
        if (shift >= kValueBits || (shift > 0 && payload >> (kValueBits - shift) != 0)) {
            throw MachORefusal("the " + what + " holds a number wider than 64 bits");
        }
        value |= payload << shift;
        if ((next & kLebMore) == 0) {
            return value;
        }
    }
}

std::int64_t ByteCursor::sleb128() {
    std::uint64_t value = 0;
    unsigned shift = 0;
    std::uint8_t next = 0;
    do {
        if (shift >= kValueBits) {
            throw MachORefusal("the " + what + " holds a number wider than 64 bits");
        }
        next = byte();
        value |= static_cast<std::uint64_t>(next & kLebPayload) << shift;
        shift += kLebPayloadBits;
    } while ((next & kLebMore) != 0);
    if ((next & kLebSign) != 0 && shift < kValueBits) {
        value |= ~std::uint64_t{0} << shift;
    }
    std::int64_t signedValue = 0;
    std::memcpy(&signedValue, &value, sizeof(value));
    return signedValue;
}

std::string ByteCursor::cString() {
    const void* end = std::memchr(data + position, 0, size - position);
    if (end == nullptr) {
        throw MachORefusal("the " + what + " ends inside a name");
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (data + position));
    std::string text(reinterpret_cast<const char*>(data + position), length);
    position += length + 1;
    return text;
}

std::string ByteCursor::fixedString(std::size_t length) {
    need(length);
    const char* start = reinterpret_cast<const char*>(data + position);
    position += length;
    return std::string(start, strnlen(start, length));
}
