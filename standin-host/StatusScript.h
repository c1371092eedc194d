// Statuses a test or tool chose for the host's next calls, one queue per kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>

#include "HostCall.h"

// Statuses are kept as the 32-bit values chosen; the host answers each in the
// width of the member that was called.
class StatusScript {
public:
    // fetchSuite, returnSuite, lookupEventID, addNotifier and removeNotifier.
    static bool isScriptable(HostCallKind kind) noexcept;

    // Throws std::invalid_argument for a kind that is not scriptable.
    void append(HostCallKind kind, std::int32_t status);
    // sameString answers by comparing; a scripted answer replaces that.
    void appendSameStringAnswer(std::int32_t answer);
    // Takes the next status or answer of the kind, if one is queued.
    std::optional<std::int32_t> take(HostCallKind kind);
    std::size_t pending(HostCallKind kind) const noexcept;
    void clear() noexcept { queues.clear(); }

private:
    std::map<HostCallKind, std::deque<std::int32_t>> queues;
};
