#include "NotifierTable.h"

#include <algorithm>
#include <iterator>

void NotifierTable::add(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                        void* userData) {
    installed.push_back(NotifierInstallation{plugin, eventID, notifier, userData, nextSerial});
    ++nextSerial;
}

bool NotifierTable::remove(KXPlugin* plugin, std::uint32_t eventID) {
    const auto found = find(plugin, eventID);
    if (found == installed.end()) {
        return false;
    }
    installed.erase(found);
    return true;
}

bool NotifierTable::contains(KXPlugin* plugin, std::uint32_t eventID) const noexcept {
    return find(plugin, eventID) != installed.end();
}

void NotifierTable::fire(std::uint32_t eventID,
                         const std::function<void(const NotifierInstallation&)>& notify) const {
    std::vector<NotifierInstallation> snapshot;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(snapshot),
                 [eventID](const NotifierInstallation& entry) { return entry.eventID == eventID; });
    for (const NotifierInstallation& entry : snapshot) {
        if (isInstalled(entry.serial)) {
            notify(entry);
        }
    }
}

std::vector<NotifierInstallation>::const_iterator NotifierTable::find(
    KXPlugin* plugin, std::uint32_t eventID) const noexcept {
    return std::find_if(installed.begin(), installed.end(),
                        [plugin, eventID](const NotifierInstallation& entry) {
                            return entry.plugin == plugin && entry.eventID == eventID;
                        });
}

bool NotifierTable::isInstalled(std::uint64_t serial) const noexcept {
    return std::any_of(installed.begin(), installed.end(),
                       [serial](const NotifierInstallation& entry) { return entry.serial == serial; });
}
