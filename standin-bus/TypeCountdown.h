// How many of the next calls for each event type a fault is staged for.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class TypeCountdown {
public:
    void add(const std::string& eventType, std::int32_t count);
    // True, and one fewer left, when a fault is staged for the type.
    bool take(const char* eventType);
    void clear() noexcept { left.clear(); }

private:
    std::map<std::string, std::int32_t> left;
};
