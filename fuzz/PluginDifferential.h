// Runs the same actions on the real plug-in (PluginSession) and on
// PluginModel, comparing after every action.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "PluginAction.h"
#include "PluginModel.h"
#include "PluginSession.h"
#include "TranscriptEntry.h"

class PluginDifferential {
public:
    explicit PluginDifferential(const std::string& pluginPath);

    // Aborts at the first difference in the host calls made (PluginMain
    // results included), the bus events sent, the host's notifier table or
    // the host's contract violations.
    void apply(const PluginAction& action);
    // Shuts the plug-in down if the model still holds the suite, and checks
    // that nothing of the plug-in is left with the host but what the host
    // itself refused to remove.
    void finish();

    PluginSession& session() noexcept { return real; }
    const PluginModel& model() const noexcept { return expected; }

private:
    void compare();
    std::string describeProductCall(const HostCall& call, std::size_t index);
    TranscriptEntry::Value hostsPlugin();
    std::string describeProductTable();
    std::string describeProductViolations();
    std::string describeModelTable() const;
    PluginModel::Notifier notifierOf(LMNotifyProc notifier, PluginModel::Notifier expectedKind);

    PluginSession real;
    PluginModel expected;
    std::map<PluginModel::Notifier, LMNotifyProc> notifiers;
    std::size_t comparedCalls = 0;
    std::size_t comparedRecords = 0;
    std::size_t steps = 0;
    std::string lastAction;
};
