#include "TranscriptRecorder.h"

#include <utility>

#include "BusEntries.h"
#include "ConfluxControl.h"

namespace {

std::uintptr_t addressOf(EventBusCallback callback) { return reinterpret_cast<std::uintptr_t>(callback); }

}  // namespace

TranscriptRecorder::TranscriptRecorder(Host& host, Transcript& transcript)
    : host(host), transcript(transcript), hostEntries(host.pluginReference()) {
    host.observeCalls([this](std::size_t place, const HostCall& call) { hostCallObserved(place, call); });
    ConfluxControlObserveDispatches(dispatchObserved, this);
    ConfluxControlObserveSubscriptions(subscriptionObserved, this);
}

TranscriptRecorder::~TranscriptRecorder() {
    ConfluxControlObserveDispatches(nullptr, nullptr);
    ConfluxControlObserveSubscriptions(nullptr, nullptr);
    host.observeCalls(nullptr);
}

// An observer returns into the host or the bus: nothing may escape it.
template <typename Work>
void TranscriptRecorder::recordSafely(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        lost = true;
    }
}

// A dispatch that the scenario staged to throw throws at the extension too.
void TranscriptRecorder::sendFromExtension(const cflx::event::Event& event) {
    extensionRecord = &event;
    try {
        DispatchEvent(&event);
    } catch (...) {
    }
    extensionRecord = nullptr;
}

void TranscriptRecorder::sendFromExtensionDuring(const std::string& triggerType, const cflx::event::Event& request) {
    stagedRequests.push_back(request);
    ConfluxControlDispatchDuringNext(triggerType.c_str(), &stagedRequests.back());
}

bool TranscriptRecorder::isExtensionRecord(const cflx::event::Event* event) const noexcept {
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

void TranscriptRecorder::hostCallObserved(std::size_t place, const HostCall& call) noexcept {
    recordSafely([&] {
        TranscriptEntry entry = hostEntries.entryOf(call);
        if (!call.returned) {
            entry.line = line;
            hostCallEntries[place] = transcript.append(std::move(entry));
            return;
        }
        const std::size_t index = hostCallEntries.at(place);
        entry.line = transcript.entries()[index].line;
        transcript.replace(index, std::move(entry));
    });
}

void TranscriptRecorder::dispatchObserved(const cflx::event::Event* event, void* context) noexcept {
    auto* recorder = static_cast<TranscriptRecorder*>(context);
    recorder->recordSafely([&] { recorder->dispatched(event); });
}

void TranscriptRecorder::dispatched(const cflx::event::Event* event) {
    TranscriptEntry entry =
        isExtensionRecord(event) ? BusEntries::extensionDispatch(*event) : BusEntries::pluginDispatch(event);
    entry.line = line;
    transcript.append(std::move(entry));
}

void TranscriptRecorder::subscriptionObserved(const char* eventType, EventBusCallback callback, void* userData,
                                              std::int32_t status, void* context) noexcept {
    auto* recorder = static_cast<TranscriptRecorder*>(context);
    recorder->recordSafely([&] { recorder->subscribed(eventType, callback, userData, status); });
}

void TranscriptRecorder::subscribed(const char* eventType, EventBusCallback callback, void* userData,
                                    std::int32_t status) {
    TranscriptEntry entry =
        BusEntries::subscription(eventType, handlers.labelOf(addressOf(callback)), userData, status);
    entry.line = line;
    transcript.append(std::move(entry));
}
