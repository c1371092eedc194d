// The host's record of every call between it and the plug-in, in call order.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "HostCall.h"

class CallLog {
public:
    using Observer = std::function<void(const HostCall&)>;

    // The observer sees each record as it is appended. It must not throw:
    // the call it watches has already taken effect, so an exception from it
    // is dropped.
    void observe(Observer observer) { watcher = std::move(observer); }
    void append(HostCall call);
    const std::vector<HostCall>& calls() const noexcept { return records; }
    void clear() noexcept { records.clear(); }

private:
    std::vector<HostCall> records;
    Observer watcher;
};
