// The listener registry bound to the host's notifier service.
#pragma once

#include <string>

#include "EventRegistry.h"
#include "KXPlugin.h"
#include "LMActionControlProcs.h"
#include "LMNotifyProc.h"

// Installs the plug-in's notifier with the host when an event text gains its
// first listener and removes it when the last one leaves. The event text is
// read as the host's event id in decimal. The plug-in reference, the suite and
// the notifier are borrowed from the host for the registry's whole life.
class LMEventRegistry final : public EventRegistry {
public:
    LMEventRegistry(KXPlugin* plugin, LMActionControlProcs* suite, LMNotifyProc notifier);

    // atoi's grammar with a defined result for every input: leading C-locale
    // white space, an optional sign, then decimal digits, taken modulo 2^32.
    // So "-1" names 4294967295 and "3000000000" names 3000000000.
    static std::uint32_t eventIDFromText(const std::string& event) noexcept;

protected:
    bool registerListener(std::string event, std::string listener) override;
    bool unregisterListener(std::string event, std::string listener) override;

private:
    KXPlugin* plugin;
    LMActionControlProcs* suite;
    LMNotifyProc notifier;
};
