#include "Transcript.h"

#include <utility>

#include "ConfluxControl.h"

using Value = TranscriptEntry::Value;

Value Transcript::Labels::labelOf(std::uintptr_t pointer) {
    if (pointer == 0) {
        return Value::null();
    }
    const std::size_t number = labels.emplace(pointer, labels.size() + 1).first->second;
    return Value::word(prefix + std::to_string(number));
}

Transcript::Transcript(Host& host) : host(host) {
    host.observeCalls([this](std::size_t place, const HostCall& call) { hostCallObserved(place, call); });
    ConfluxControlObserveDispatches(dispatchObserved, this);
    ConfluxControlObserveSubscriptions(subscriptionObserved, this);
}

Transcript::~Transcript() {
    ConfluxControlObserveDispatches(nullptr, nullptr);
    ConfluxControlObserveSubscriptions(nullptr, nullptr);
    host.observeCalls(nullptr);
}

// An observer returns into the host or the bus: nothing may escape it.
template <typename Work>
void Transcript::recordSafely(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        lost = true;
    }
}

// A dispatch that the scenario staged to throw throws at the extension too.
void Transcript::sendFromExtension(const cflx::event::Event& event) {
    extensionRecord = &event;
    try {
        DispatchEvent(&event);
    } catch (...) {
    }
    extensionRecord = nullptr;
}

void Transcript::sendFromExtensionDuring(const std::string& triggerType, const cflx::event::Event& request) {
    stagedRequests.push_back(request);
    cflx::event::Event& staged = stagedRequests.back();
    staged.eventType = kept(request.eventType);
    staged.senderApp = kept(request.senderApp);
    staged.senderExtension = kept(request.senderExtension);
    staged.payload = kept(request.payload);
    ConfluxControlDispatchDuringNext(triggerType.c_str(), &staged);
}

const char* Transcript::kept(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    stagedTexts.emplace_back(text);
    return stagedTexts.back().c_str();
}

bool Transcript::isExtensionRecord(const cflx::event::Event* event) const noexcept {
    if (event == nullptr) {
        return false;
    }
    if (event == extensionRecord) {
        return true;
    }
    for (const cflx::event::Event& staged : stagedRequests) {
        if (event == &staged) {
            return true;
        }
    }
    return false;
}

void Transcript::append(TranscriptEntry entry) {
    entry.line = line;
    records.push_back(std::move(entry));
}

// A host call is appended when it starts and completed when it returns.
void Transcript::hostCallObserved(std::size_t place, const HostCall& call) noexcept {
    recordSafely([&] {
        TranscriptEntry entry = hostCallEntry(call);
        if (!call.returned) {
            hostCallEntries[place] = records.size();
            append(std::move(entry));
            return;
        }
        TranscriptEntry& started = records.at(hostCallEntries.at(place));
        entry.line = started.line;
        started = std::move(entry);
    });
}

void Transcript::dispatchObserved(const cflx::event::Event* event, void* context) noexcept {
    auto* transcript = static_cast<Transcript*>(context);
    transcript->recordSafely([&] {
        transcript->append(transcript->isExtensionRecord(event) ? TranscriptEntry::extensionDispatch(*event)
                                                                : TranscriptEntry::pluginDispatch(event));
    });
}

void Transcript::subscriptionObserved(const char* eventType, EventBusCallback callback, void* userData,
                                      std::int32_t status, void* context) noexcept {
    auto* transcript = static_cast<Transcript*>(context);
    transcript->recordSafely([&] {
        const Value handler = transcript->handlers.labelOf(TranscriptEntry::addressOf(callback));
        transcript->append(TranscriptEntry::subscription(eventType, handler, userData, status));
    });
}

TranscriptEntry Transcript::hostCallEntry(const HostCall& call) {
    return TranscriptEntry::fromHostCall(call, Value::pluginReference(call.plugin, host.pluginReference()),
                                         notifiers.labelOf(TranscriptEntry::addressOf(call.notifier)));
}
