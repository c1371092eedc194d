// Scripted answers for AddEventListener: by event type and by call number.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

class SubscriptionScript {
public:
    void scriptNext(const std::string& eventType, std::int32_t count, std::int32_t status);
    // False when callNumber was already reached: that answer could never be given.
    bool scriptCall(std::int64_t callNumber, std::int32_t status);

    // Counts one call and answers its scripted status, if any: the call
    // number's own first, else the next one queued for the type.
    std::optional<std::int32_t> decide(const std::string& eventType);
    // Counts a call that is refused before any script is asked.
    void passOver();

    std::int64_t callsMade() const noexcept { return calls; }
    void clear() noexcept;

private:
    struct Run {
        std::int32_t remaining;
        std::int32_t status;
    };

    std::optional<std::int32_t> takeCallAnswer();
    std::optional<std::int32_t> takeTypeAnswer(const std::string& eventType);

    std::map<std::string, std::deque<Run>> byType;
    std::map<std::int64_t, std::int32_t> byCall;
    std::int64_t calls = 0;
};
