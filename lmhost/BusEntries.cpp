#include "BusEntries.h"

#include <cstring>

#include "LMEventCatalogue.h"
#include "PointerLabels.h"

namespace {

std::uintptr_t addressOf(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

TranscriptEntry busEntry(TranscriptActor actor, TranscriptStream stream, const char* call) {
    TranscriptEntry entry;
    entry.actor = actor;
    entry.stream = stream;
    entry.call = call;
    return entry;
}

// Shown only when set: the plug-in always subscribes with null.
TranscriptField userDataDetail(void* userData) {
    return {"userData", PointerLabels::address(addressOf(userData)), userData != nullptr};
}

bool isHostApplication(const char* senderApp) {
    return senderApp != nullptr && std::strcmp(senderApp, LMEventCatalogue::kSenderApp) == 0;
}

}  // namespace

TranscriptValue BusEntries::textOf(const char* text) {
    return text == nullptr ? TranscriptValue::null() : TranscriptValue::text(text);
}

TranscriptValue BusEntries::nameOf(const char* text) {
    return TranscriptValue::name(text == nullptr ? std::nullopt : std::optional<std::string>(text));
}

TranscriptEntry BusEntries::pluginDispatch(const cflx::event::Event* event) {
    TranscriptEntry entry = busEntry(TranscriptActor::plugin, TranscriptStream::bus, "DispatchEvent");
    if (event == nullptr) {
        entry.arguments = {{"eventType", TranscriptValue::null()}, {"payload", TranscriptValue::null()}};
        entry.details = {{"record", TranscriptValue::null()}};
        return entry;
    }
    entry.arguments = {{"eventType", nameOf(event->eventType)}, {"payload", textOf(event->payload)}};
    entry.details = {
        {"senderApp", textOf(event->senderApp), !isHostApplication(event->senderApp)},
        {"senderExtension", textOf(event->senderExtension), event->senderExtension != nullptr},
        {"deliveryMode", TranscriptValue::number(event->deliveryMode), event->deliveryMode != 0},
    };
    return entry;
}

TranscriptEntry BusEntries::expectedDispatch(const std::string& eventType,
                                             const std::optional<std::string>& payload) {
    const cflx::event::Event record{eventType.c_str(), 0, LMEventCatalogue::kSenderApp, nullptr,
                                    payload ? payload->c_str() : nullptr};
    return pluginDispatch(&record);
}

TranscriptEntry BusEntries::extensionDispatch(const cflx::event::Event& event) {
    TranscriptEntry entry = busEntry(TranscriptActor::extension, TranscriptStream::none, "DispatchEvent");
    entry.arguments = {{"eventType", nameOf(event.eventType)},
                       {"senderExtension", textOf(event.senderExtension)},
                       {"payload", textOf(event.payload)}};
    entry.details = {{"senderApp", textOf(event.senderApp), false},
                     {"deliveryMode", TranscriptValue::number(event.deliveryMode), false}};
    return entry;
}

TranscriptEntry BusEntries::subscription(const char* eventType, TranscriptValue handler, void* userData,
                                         std::int32_t status) {
    TranscriptEntry entry =
        busEntry(TranscriptActor::plugin, TranscriptStream::subscribe, "AddEventListener");
    entry.arguments = {{"eventType", nameOf(eventType)}};
    entry.result = TranscriptField{"status", TranscriptValue::number(status)};
    entry.details = {{"handler", std::move(handler), false}, userDataDetail(userData)};
    return entry;
}

TranscriptEntry BusEntries::expectedSubscription(const std::string& eventType, std::int32_t status) {
    TranscriptEntry entry = subscription(eventType.c_str(), TranscriptValue::null(), nullptr, status);
    entry.details = {userDataDetail(nullptr)};
    return entry;
}
