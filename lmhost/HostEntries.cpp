#include "HostEntries.h"

#include <cstdint>
#include <utility>

namespace {

std::uintptr_t addressOf(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

std::uintptr_t addressOf(LMNotifyProc notifier) { return reinterpret_cast<std::uintptr_t>(notifier); }

TranscriptActor actorOf(HostCallKind kind) {
    return kind == HostCallKind::pluginMain || kind == HostCallKind::notify ? TranscriptActor::host
                                                                            : TranscriptActor::plugin;
}

TranscriptStream streamOf(HostCallKind kind) {
    switch (kind) {
    case HostCallKind::pluginMain:
    case HostCallKind::notify:
        return TranscriptStream::none;
    case HostCallKind::sameString:
        return TranscriptStream::sameString;
    default:
        return TranscriptStream::host;
    }
}

TranscriptValue resultOf(const HostCallShape& shape, std::int32_t status) {
    return shape.booleanResult ? TranscriptValue::boolean(status != 0) : TranscriptValue::number(status);
}

}  // namespace

HostEntries::HostEntries(KXPlugin* hostPluginReference) : hostPlugin(hostPluginReference) {}

TranscriptEntry HostEntries::skeleton(const HostCallShape& shape) {
    TranscriptEntry entry;
    entry.actor = actorOf(shape.kind);
    entry.stream = streamOf(shape.kind);
    entry.call = nameOf(shape.kind);
    return entry;
}

TranscriptEntry HostEntries::expected(const HostCallShape& shape, std::vector<TranscriptValue> arguments,
                                      TranscriptValue result) {
    TranscriptEntry entry = skeleton(shape);
    for (std::size_t at = 0; at < arguments.size() && at < shape.parameters.size(); ++at) {
        entry.arguments.push_back({shape.parameters[at].name, std::move(arguments[at])});
    }
    entry.result = TranscriptField{shape.resultName, std::move(result)};
    return entry;
}

TranscriptEntry HostEntries::entryOf(const HostCall& call) {
    const HostCallShape& shape = HostCallShape::of(call.kind);
    TranscriptEntry entry = skeleton(shape);
    std::size_t nextText = 0;
    for (const HostCallShape::Parameter& parameter : shape.parameters) {
        entry.arguments.push_back({parameter.name, argumentOf(call, parameter.kind, nextText)});
    }
    if (*shape.resultName != '\0') {
        entry.result = TranscriptField{shape.resultName, resultOf(shape, call.status)};
    }
    entry.details = details(call, pluginValue(call.plugin));
    return entry;
}

// What the shape leaves out but a reader may need: the id a lookup found,
// and whom a notification reached.
std::vector<TranscriptField> HostEntries::details(const HostCall& call, const TranscriptValue& plugin) {
    if (call.kind == HostCallKind::lookupEventID && call.status == 0) {
        return {{"eventID", TranscriptValue::number(call.eventID)}};
    }
    if (call.kind == HostCallKind::notify) {
        return {{"plugin", plugin, false},
                {"userData", PointerLabels::address(addressOf(call.userData)), call.userData != nullptr}};
    }
    return {};
}

TranscriptValue HostEntries::argumentOf(const HostCall& call, HostCallShape::Argument kind,
                                        std::size_t& nextText) {
    switch (kind) {
    case HostCallShape::Argument::text:
        return TranscriptValue::textOrNull(nextText < call.texts.size() ? call.texts[nextText++]
                                                                         : std::nullopt);
    case HostCallShape::Argument::version:
        return TranscriptValue::number(call.version);
    case HostCallShape::Argument::eventID:
        return TranscriptValue::number(call.eventID);
    case HostCallShape::Argument::plugin:
        return pluginValue(call.plugin);
    case HostCallShape::Argument::notifier:
        return notifiers.labelOf(addressOf(call.notifier));
    case HostCallShape::Argument::userData:
        return PointerLabels::address(addressOf(call.userData));
    }
    return TranscriptValue::null();
}

TranscriptValue HostEntries::pluginValue(KXPlugin* plugin) const {
    return plugin == hostPlugin && plugin != nullptr ? TranscriptValue::word("plugin")
                                                     : PointerLabels::address(addressOf(plugin));
}
