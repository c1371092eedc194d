// An action-control suite whose answers a test scripts, recording each call.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "LMActionControlProcs.h"

// The suite's members are plain C function pointers, so the fake is the one
// live instance at a time.
class FakeActionControl {
public:
    struct Call {
        enum Kind { add, remove } kind;
        KXPlugin* plugin;
        std::uint32_t eventID;
        LMNotifyProc notifier;
        void* userData;
    };

    FakeActionControl();
    ~FakeActionControl();
    FakeActionControl(const FakeActionControl&) = delete;
    FakeActionControl& operator=(const FakeActionControl&) = delete;

    LMActionControlProcs* suite() { return &procs; }
    // The status of the next call of either kind, as a 32-bit value; the
    // suite answers its low 16 bits, as a host would.
    void scriptStatus(std::int32_t status) { scripted.push_back(status); }

    const std::vector<Call>& calls() const { return log; }
    // Installations per event id that the host currently holds.
    const std::map<std::uint32_t, int>& installed() const { return installations; }

private:
    static LMErr addNotifier(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                             void* userData);
    static LMErr removeNotifier(KXPlugin* plugin, std::uint32_t eventID);
    LMErr nextStatus();

    LMActionControlProcs procs{};
    std::deque<std::int32_t> scripted;
    std::vector<Call> log;
    std::map<std::uint32_t, int> installations;
};
