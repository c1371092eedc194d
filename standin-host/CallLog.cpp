#include "CallLog.h"

#include <utility>

void CallLog::append(HostCall call) {
    records.push_back(std::move(call));
    if (!watcher) {
        return;
    }
    try {
        watcher(records.back());
    } catch (...) {
    }
}
