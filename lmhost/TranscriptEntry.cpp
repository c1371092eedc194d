#include "TranscriptEntry.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "LMEventCatalogue.h"
#include "ScenarioQuoting.h"

namespace {

using Value = TranscriptEntry::Value;
using Field = TranscriptEntry::Field;
using Shape = TranscriptEntry::HostCallShape;
using Argument = Shape::Argument;

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> all = {
        {HostCallKind::fetchSuite, {{"name", Argument::text}, {"version", Argument::version}}, "status", false},
        {HostCallKind::returnSuite, {{"name", Argument::text}, {"version", Argument::version}}, "status", false},
        {HostCallKind::sameString, {{"value", Argument::text}, {"literal", Argument::text}}, "result", true},
        {HostCallKind::lookupEventID, {{"name", Argument::text}}, "status", false},
        {HostCallKind::addNotifier,
         {{"plugin", Argument::plugin},
          {"eventID", Argument::eventID},
          {"notifier", Argument::notifier},
          {"userData", Argument::userData}},
         "status",
         false},
        {HostCallKind::removeNotifier, {{"plugin", Argument::plugin}, {"eventID", Argument::eventID}}, "status", false},
        {HostCallKind::pluginMain, {{"caller", Argument::text}, {"selector", Argument::text}}, "result", false},
        {HostCallKind::notify, {{"eventID", Argument::eventID}, {"notifier", Argument::notifier}}, "", false},
    };
    return all;
}

bool isHostsOwnCall(HostCallKind kind) { return kind == HostCallKind::pluginMain || kind == HostCallKind::notify; }

TranscriptStream streamOf(HostCallKind kind) {
    if (isHostsOwnCall(kind)) {
        return TranscriptStream::none;
    }
    return kind == HostCallKind::sameString ? TranscriptStream::sameString : TranscriptStream::host;
}

TranscriptEntry skeleton(TranscriptActor actor, TranscriptStream stream, const char* call) {
    TranscriptEntry entry;
    entry.actor = actor;
    entry.stream = stream;
    entry.call = call;
    return entry;
}

// Shown only when set: the plug-in always subscribes with null.
Field userDataDetail(const void* userData) {
    return {"userData", Value::address(TranscriptEntry::addressOf(userData)), userData != nullptr};
}

// What the shape leaves out but a reader may need: the id a lookup found,
// and whom a notification reached.
std::vector<Field> hostCallDetails(const HostCall& call, const Value& plugin) {
    if (call.kind == HostCallKind::lookupEventID && call.status == 0) {
        return {{"eventID", Value::number(call.eventID)}};
    }
    if (call.kind == HostCallKind::notify) {
        return {{"plugin", plugin, false},
                {"userData", Value::address(TranscriptEntry::addressOf(call.userData)), call.userData != nullptr}};
    }
    return {};
}

Value hostCallArgument(const HostCall& call, Argument kind, const Value& plugin, const Value& notifier,
                       std::size_t& nextText) {
    switch (kind) {
    case Argument::text:
        return Value::textOrNull(nextText < call.texts.size() ? call.texts[nextText++] : std::nullopt);
    case Argument::version:
        return Value::number(call.version);
    case Argument::eventID:
        return Value::number(call.eventID);
    case Argument::plugin:
        return plugin;
    case Argument::notifier:
        return notifier;
    case Argument::userData:
        return Value::address(TranscriptEntry::addressOf(call.userData));
    }
    return Value::null();
}

std::optional<Value> hostCallResult(const Shape& shape, std::int32_t status) {
    if (*shape.resultName == '\0') {
        return std::nullopt;
    }
    return shape.booleanResult ? Value::boolean(status != 0) : Value::number(status);
}

bool isSenderApp(const char* senderApp) {
    return senderApp != nullptr && std::strcmp(senderApp, LMEventCatalogue::kSenderApp) == 0;
}

}  // namespace

Value Value::textOrNull(const std::optional<std::string>& characters) {
    return characters ? text(*characters) : null();
}

Value Value::textOrNull(const char* characters) { return characters ? text(characters) : null(); }

Value Value::name(const char* characters) {
    if (characters != nullptr && ScenarioQuoting::isBareWord(characters)) {
        return word(characters);
    }
    return textOrNull(characters);
}

Value Value::address(std::uintptr_t pointer) {
    if (pointer == 0) {
        return null();
    }
    char digits[2 + 2 * sizeof(pointer) + 1];
    std::snprintf(digits, sizeof(digits), "0x%llx", static_cast<unsigned long long>(pointer));
    return word(digits);
}

std::string Value::text() const {
    switch (valueKind) {
    case Kind::null:
        return "null";
    case Kind::text:
        return ScenarioQuoting::quoted(chars);
    case Kind::word:
        return chars;
    case Kind::number:
        return std::to_string(integer);
    case Kind::boolean:
        return integer != 0 ? "true" : "false";
    }
    return "?";
}

bool Value::operator==(const Value& other) const noexcept {
    if (holdsCharacters() || other.holdsCharacters()) {
        return holdsCharacters() && other.holdsCharacters() && chars == other.chars;
    }
    return valueKind == other.valueKind && integer == other.integer;
}

Value Value::labelled(std::uintptr_t pointer, std::uintptr_t labelledPointer, const char* label) {
    return pointer == labelledPointer && pointer != 0 ? word(label) : address(pointer);
}

Value Value::pluginReference(const KXPlugin* reference, const KXPlugin* hostsOwn) {
    return labelled(TranscriptEntry::addressOf(reference), TranscriptEntry::addressOf(hostsOwn), "plugin");
}

const Shape& Shape::of(HostCallKind kind) {
    for (const Shape& shape : shapes()) {
        if (shape.kind == kind) {
            return shape;
        }
    }
    return shapes().front();
}

const Shape* Shape::ofPluginCall(const std::string& name) {
    for (const Shape& shape : shapes()) {
        if (!isHostsOwnCall(shape.kind) && name == nameOf(shape.kind)) {
            return &shape;
        }
    }
    return nullptr;
}

TranscriptEntry TranscriptEntry::pluginDispatch(const cflx::event::Event* event) {
    TranscriptEntry entry = skeleton(TranscriptActor::plugin, TranscriptStream::bus, "DispatchEvent");
    if (event == nullptr) {
        entry.arguments = {{"eventType", Value::null()}, {"payload", Value::null()}};
        entry.details = {{"record", Value::null()}};
        return entry;
    }
    entry.arguments = {{"eventType", Value::name(event->eventType)}, {"payload", Value::textOrNull(event->payload)}};
    entry.details = {
        {"senderApp", Value::textOrNull(event->senderApp), !isSenderApp(event->senderApp)},
        {"senderExtension", Value::textOrNull(event->senderExtension), event->senderExtension != nullptr},
        {"deliveryMode", Value::number(event->deliveryMode), event->deliveryMode != 0},
    };
    return entry;
}

TranscriptEntry TranscriptEntry::expectedDispatch(const std::string& eventType,
                                                  const std::optional<std::string>& payload) {
    const cflx::event::Event record{eventType.c_str(), 0, LMEventCatalogue::kSenderApp, nullptr,
                                    payload ? payload->c_str() : nullptr};
    return pluginDispatch(&record);
}

TranscriptEntry TranscriptEntry::extensionDispatch(const cflx::event::Event& event) {
    TranscriptEntry entry = skeleton(TranscriptActor::extension, TranscriptStream::none, "DispatchEvent");
    entry.arguments = {{"eventType", Value::name(event.eventType)},
                       {"senderExtension", Value::textOrNull(event.senderExtension)},
                       {"payload", Value::textOrNull(event.payload)}};
    entry.details = {{"senderApp", Value::textOrNull(event.senderApp), false},
                     {"deliveryMode", Value::number(event.deliveryMode), false}};
    return entry;
}

TranscriptEntry TranscriptEntry::subscription(const char* eventType, Value handler, const void* userData,
                                              std::int32_t status) {
    TranscriptEntry entry = skeleton(TranscriptActor::plugin, TranscriptStream::subscribe, "AddEventListener");
    entry.arguments = {{"eventType", Value::name(eventType)}};
    entry.result = Field{"status", Value::number(status)};
    entry.details = {{"handler", std::move(handler), false}, userDataDetail(userData)};
    return entry;
}

TranscriptEntry TranscriptEntry::expectedSubscription(const std::string& eventType, std::int32_t status) {
    TranscriptEntry entry = subscription(eventType.c_str(), Value::null(), nullptr, status);
    entry.details = {userDataDetail(nullptr)};
    return entry;
}

TranscriptEntry TranscriptEntry::hostCall(const HostCallShape& shape, std::vector<Value> arguments,
                                          std::optional<Value> result) {
    const TranscriptActor actor = isHostsOwnCall(shape.kind) ? TranscriptActor::host : TranscriptActor::plugin;
    TranscriptEntry entry = skeleton(actor, streamOf(shape.kind), nameOf(shape.kind));
    for (std::size_t at = 0; at < arguments.size() && at < shape.parameters.size(); ++at) {
        entry.arguments.push_back({shape.parameters[at].name, std::move(arguments[at])});
    }
    if (result) {
        entry.result = Field{shape.resultName, std::move(*result)};
    }
    return entry;
}

TranscriptEntry TranscriptEntry::fromHostCall(const HostCall& call, const Value& plugin, const Value& notifier) {
    const Shape& shape = Shape::of(call.kind);
    std::vector<Value> arguments;
    std::size_t nextText = 0;
    for (const Shape::Parameter& parameter : shape.parameters) {
        arguments.push_back(hostCallArgument(call, parameter.kind, plugin, notifier, nextText));
    }
    TranscriptEntry entry = hostCall(shape, std::move(arguments), hostCallResult(shape, call.status));
    entry.details = hostCallDetails(call, plugin);
    return entry;
}

std::string TranscriptEntry::text() const {
    std::string line = keyword();
    for (const Field& argument : arguments) {
        line += " " + argument.value.text();
    }
    if (result) {
        line += " -> " + result->value.text();
    }
    return line + shownDetails();
}

const char* TranscriptEntry::actorName() const noexcept {
    switch (actor) {
    case TranscriptActor::host:
        return "host";
    case TranscriptActor::extension:
        return "extension";
    case TranscriptActor::plugin:
        return "plug-in";
    }
    return "?";
}

const char* TranscriptEntry::calleeName() const noexcept {
    if (toHost()) {
        return "host";
    }
    return toBus() || actor == TranscriptActor::extension ? "bus" : "plug-in";
}

const char* TranscriptEntry::streamName(TranscriptStream stream) noexcept {
    switch (stream) {
    case TranscriptStream::bus:
        return "bus";
    case TranscriptStream::subscribe:
        return "subscribe";
    case TranscriptStream::host:
        return "host";
    case TranscriptStream::sameString:
        return "sameString";
    case TranscriptStream::none:
        break;
    }
    return "";
}

// The scenario command that a line reads as: `host CALL`, `bus`, `subscribe`,
// `send`, or the host's own call by name.
std::string TranscriptEntry::keyword() const {
    if (toHost()) {
        return "host " + call;
    }
    if (toBus()) {
        return streamName(stream);
    }
    return actor == TranscriptActor::extension ? "send" : call;
}

// The plug-in's calls into the host's suites, and onto the bus.
bool TranscriptEntry::toHost() const noexcept {
    return stream == TranscriptStream::host || stream == TranscriptStream::sameString;
}

bool TranscriptEntry::toBus() const noexcept {
    return stream == TranscriptStream::bus || stream == TranscriptStream::subscribe;
}

std::string TranscriptEntry::shownDetails() const {
    std::string shown;
    for (const Field& detail : details) {
        if (detail.shownInText) {
            shown += (shown.empty() ? "" : ", ") + detail.name + " " + detail.value.text();
        }
    }
    return shown.empty() ? "" : " (" + shown + ")";
}
