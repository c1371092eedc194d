// Why the Mach-O loader will not load a file: what it met and did not understand.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

class MachORefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // Commands, opcodes and types are named in hexadecimal, as mach-o/loader.h does.
    static std::string hex(std::uint64_t value) {
        char text[sizeof("0x") + 2 * sizeof(value)];
        std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
        return text;
    }
};
