#include "SubscriptionScript.h"

void SubscriptionScript::scriptNext(const std::string& eventType, std::int32_t count,
                                    std::int32_t status) {
    byType[eventType].push_back(Run{count, status});
}

bool SubscriptionScript::scriptCall(std::int64_t callNumber, std::int32_t status) {
    if (callNumber <= calls) {
        return false;
    }
    byCall[callNumber] = status;
    return true;
}

std::optional<std::int32_t> SubscriptionScript::decide(const std::string& eventType) {
    ++calls;
    const std::optional<std::int32_t> callAnswer = takeCallAnswer();
    if (callAnswer) {
        return callAnswer;
    }
    return takeTypeAnswer(eventType);
}

void SubscriptionScript::passOver() {
    ++calls;
    takeCallAnswer();
}

void SubscriptionScript::clear() noexcept {
    byType.clear();
    byCall.clear();
    calls = 0;
}

std::optional<std::int32_t> SubscriptionScript::takeCallAnswer() {
    const auto answer = byCall.find(calls);
    if (answer == byCall.end()) {
        return std::nullopt;
    }
    const std::int32_t status = answer->second;
    byCall.erase(answer);
    return status;
}

std::optional<std::int32_t> SubscriptionScript::takeTypeAnswer(const std::string& eventType) {
    const auto queue = byType.find(eventType);
    if (queue == byType.end()) {
        return std::nullopt;
    }
    Run& run = queue->second.front();
    const std::int32_t status = run.status;
    if (--run.remaining == 0) {
        queue->second.pop_front();
    }
    if (queue->second.empty()) {
        byType.erase(queue);
    }
    return status;
}
