// Transcript entries for the calls between host and plug-in.
#pragma once

#include <cstddef>
#include <vector>

#include "HostCall.h"
#include "HostCallShape.h"
#include "KXPlugin.h"
#include "PointerLabels.h"
#include "TranscriptEntry.h"
#include "TranscriptValue.h"

// The host's own plug-in reference is shown as `plugin`, notifiers by the
// order of their first appearance (`notifier1` is the first the plug-in
// handed over), other pointers in hex.
class HostEntries {
public:
    explicit HostEntries(KXPlugin* hostPluginReference);

    TranscriptEntry entryOf(const HostCall& call);
    // The pattern of `expect host`, with the arguments in the shape's order.
    static TranscriptEntry expected(const HostCallShape& shape, std::vector<TranscriptValue> arguments,
                                    TranscriptValue result);

private:
    static TranscriptEntry skeleton(const HostCallShape& shape);
    static std::vector<TranscriptField> details(const HostCall& call, const TranscriptValue& plugin);
    TranscriptValue argumentOf(const HostCall& call, HostCallShape::Argument kind, std::size_t& nextText);
    TranscriptValue pluginValue(KXPlugin* plugin) const;

    KXPlugin* hostPlugin;
    PointerLabels notifiers{"notifier"};
};
