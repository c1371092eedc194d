// The host's installed notifiers, one entry per successful addNotifier.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "KXPlugin.h"
#include "LMNotifyProc.h"

struct NotifierInstallation {
    KXPlugin* plugin;
    std::uint32_t eventID;
    LMNotifyProc notifier;
    void* userData;
    // Tells installations apart, so a firing can skip one removed meanwhile.
    std::uint64_t serial;
};

class NotifierTable {
public:
    void add(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier, void* userData);
    // Removes the oldest installation for the plug-in and id; false when
    // there is none.
    bool remove(KXPlugin* plugin, std::uint32_t eventID);
    bool contains(KXPlugin* plugin, std::uint32_t eventID) const noexcept;

    // Calls notify for each installation the id had when the firing began, in
    // installation order, skipping those removed meanwhile; installations
    // made meanwhile wait for the next firing.
    void fire(std::uint32_t eventID, const std::function<void(const NotifierInstallation&)>& notify) const;

    const std::vector<NotifierInstallation>& installations() const noexcept { return installed; }

private:
    std::vector<NotifierInstallation>::const_iterator find(KXPlugin* plugin,
                                                           std::uint32_t eventID) const noexcept;
    bool isInstalled(std::uint64_t serial) const noexcept;

    std::vector<NotifierInstallation> installed;
    std::uint64_t nextSerial = 1;
};
