// The bytes of one fuzz input, read from the front one decision at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// Past the end every read answers 0, so any input decodes to a whole run.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) noexcept : data(data), size(size) {}

    bool exhausted() const noexcept { return next >= size; }
    std::uint8_t byte() noexcept;
    // A choice among count alternatives; count must be positive.
    std::size_t choice(std::size_t count) noexcept { return byte() % count; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t next = 0;
};
