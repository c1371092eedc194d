#include "FakeActionControl.h"

#include <stdexcept>

namespace {
FakeActionControl* current = nullptr;
}

FakeActionControl::FakeActionControl() {
    if (current != nullptr) {
        throw std::logic_error("one FakeActionControl at a time");
    }
    current = this;
    procs.addNotifier = &FakeActionControl::addNotifier;
    procs.removeNotifier = &FakeActionControl::removeNotifier;
}

FakeActionControl::~FakeActionControl() { current = nullptr; }

LMErr FakeActionControl::nextStatus() {
    if (scripted.empty()) {
        return 0;
    }
    const std::int32_t status = scripted.front();
    scripted.pop_front();
    return static_cast<LMErr>(status & 0xFFFF);
}

LMErr FakeActionControl::addNotifier(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                                     void* userData) {
    current->log.push_back({Call::add, plugin, eventID, notifier, userData});
    const LMErr status = current->nextStatus();
    if (status == 0) {
        ++current->installations[eventID];
    }
    return status;
}

LMErr FakeActionControl::removeNotifier(KXPlugin* plugin, std::uint32_t eventID) {
    current->log.push_back({Call::remove, plugin, eventID, nullptr, nullptr});
    const LMErr status = current->nextStatus();
    if (status == 0 && --current->installations[eventID] == 0) {
        current->installations.erase(eventID);
    }
    return status;
}
