#include "HostCall.h"

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
