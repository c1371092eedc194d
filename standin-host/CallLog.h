// The host's record of every call between it and the plug-in, in the order in
// which the calls start.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "HostCall.h"

// A call is logged when it starts, so the calls it causes follow it, and its
// record is filled in when it returns.
class CallLog {
public:
    using Observer = std::function<void(std::size_t place, const HostCall& call)>;

    // The observer sees each record when its call starts and again when it
    // returns (HostCall::returned), at its place in the log. It must not
    // throw: the call it watches takes effect all the same, so an exception
    // from it is dropped.
    void observe(Observer observer) { watcher = std::move(observer); }
    // Answers the place of the call's record.
    std::size_t start(HostCall call);
    // The call as it returned replaces its record.
    void finish(std::size_t place, HostCall call);
    const std::vector<HostCall>& calls() const noexcept { return records; }
    // Between calls only: a call under way would fill in a place that no
    // longer holds its record.
    void clear() noexcept { records.clear(); }

private:
    void show(std::size_t place) noexcept;

    std::vector<HostCall> records;
    Observer watcher;
};
