#include "StatusScript.h"

#include <stdexcept>
#include <string>

bool StatusScript::isScriptable(HostCallKind kind) noexcept {
    switch (kind) {
    case HostCallKind::fetchSuite:
    case HostCallKind::returnSuite:
    case HostCallKind::lookupEventID:
    case HostCallKind::addNotifier:
    case HostCallKind::removeNotifier:
        return true;
    default:
        return false;
    }
}

void StatusScript::append(HostCallKind kind, std::int32_t status) {
    if (!isScriptable(kind)) {
        throw std::invalid_argument(std::string("the host's answers to ") + nameOf(kind) +
                                    " cannot be scripted");
    }
    queues[kind].push_back(status);
}

void StatusScript::appendSameStringAnswer(std::int32_t answer) {
    queues[HostCallKind::sameString].push_back(answer);
}

std::optional<std::int32_t> StatusScript::take(HostCallKind kind) {
    const auto queue = queues.find(kind);
    if (queue == queues.end() || queue->second.empty()) {
        return std::nullopt;
    }
    const std::int32_t status = queue->second.front();
    queue->second.pop_front();
    return status;
}

std::size_t StatusScript::pending(HostCallKind kind) const noexcept {
    const auto queue = queues.find(kind);
    return queue == queues.end() ? 0 : queue->second.size();
}
