#include "CallLog.h"

#include <utility>

std::size_t CallLog::start(HostCall call) {
    call.returned = false;
    records.push_back(std::move(call));
    show(records.size() - 1);
    return records.size() - 1;
}

void CallLog::finish(std::size_t place, HostCall call) {
    if (place >= records.size()) {
        return;
    }
    call.returned = true;
    records[place] = std::move(call);
    show(place);
}

void CallLog::show(std::size_t place) noexcept {
    if (!watcher) {
        return;
    }
    try {
        watcher(place, records[place]);
    } catch (...) {
    }
}
