#include "HostCall.h"

namespace {

std::string quoted(const std::optional<std::string>& text) {
    return text ? "\"" + *text + "\"" : "null";
}

std::string argumentList(const HostCall& call) {
    std::string list;
    for (const std::optional<std::string>& text : call.texts) {
        list += (list.empty() ? "" : ", ") + quoted(text);
    }
    return list;
}

std::string arguments(const HostCall& call) {
    switch (call.kind) {
    case HostCallKind::fetchSuite:
    case HostCallKind::returnSuite:
        return argumentList(call) + ", " + std::to_string(call.version);
    case HostCallKind::addNotifier:
    case HostCallKind::removeNotifier:
    case HostCallKind::notify:
        return std::to_string(call.eventID);
    default:
        return argumentList(call);
    }
}

std::string outcome(const HostCall& call) {
    if (call.kind == HostCallKind::notify) {
        return "";
    }
    std::string result = " -> " + std::to_string(call.status);
    if (call.kind == HostCallKind::lookupEventID && call.status == 0) {
        result += ", id " + std::to_string(call.eventID);
    }
    return result;
}

}  // namespace

const char* nameOf(HostCallKind kind) noexcept {
    switch (kind) {
    case HostCallKind::fetchSuite:
        return "fetchSuite";
    case HostCallKind::returnSuite:
        return "returnSuite";
    case HostCallKind::sameString:
        return "sameString";
    case HostCallKind::lookupEventID:
        return "lookupEventID";
    case HostCallKind::addNotifier:
        return "addNotifier";
    case HostCallKind::removeNotifier:
        return "removeNotifier";
    case HostCallKind::pluginMain:
        return "PluginMain";
    case HostCallKind::notify:
        return "notify";
    }
    return "unknown";
}

std::string HostCall::describe() const {
    return std::string(nameOf(kind)) + "(" + arguments(*this) + ")" + outcome(*this);
}
