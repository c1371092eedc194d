// One call in a run, as the transcript shows it and an expectation describes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CflxEvent.h"
#include "HostCall.h"

enum class TranscriptActor { host, extension, plugin };

// What an expectation can be about. The plug-in's calls fall into four
// streams, each with a cursor of its own; the host's and the extensions'
// own calls are shown but never expected.
enum class TranscriptStream { none, bus, subscribe, host, sameString };

constexpr TranscriptStream kExpectableStreams[] = {TranscriptStream::bus, TranscriptStream::subscribe,
                                                   TranscriptStream::host, TranscriptStream::sameString};

// The same functions build the entries of a run and the patterns of
// expectations, so both always have the same shape; and the plug-in's calls
// are written exactly as an expectation about them, so `expect ` followed by
// such a line holds for that call.
struct TranscriptEntry {
    // Texts and words both hold characters and compare by them alone: a word
    // is only a text that is shown without quotes (event types, labels such as
    // "plugin" or "notifier2").
    class Value {
    public:
        enum class Kind { null, text, word, number, boolean };

        static Value null() { return Value(Kind::null, {}, 0); }
        static Value text(std::string characters) { return Value(Kind::text, std::move(characters), 0); }
        static Value word(std::string characters) { return Value(Kind::word, std::move(characters), 0); }
        static Value number(std::int64_t value) { return Value(Kind::number, {}, value); }
        static Value boolean(bool value) { return Value(Kind::boolean, {}, value ? 1 : 0); }
        // Null for a null pointer's text, else the text.
        static Value textOrNull(const std::optional<std::string>& characters);
        static Value textOrNull(const char* characters);
        // Like textOrNull, but shown bare where the text reads as a bare word.
        static Value name(const char* characters);
        // An address as a word in hex, or null.
        static Value address(std::uintptr_t pointer);
        // The label for the one pointer that has it, else the address.
        static Value labelled(std::uintptr_t pointer, std::uintptr_t labelledPointer, const char* label);
        // `plugin` for the host's own reference to the plug-in, else its
        // address.
        static Value pluginReference(const KXPlugin* reference, const KXPlugin* hostsOwn);

        Kind kind() const noexcept { return valueKind; }
        const std::string& characters() const noexcept { return chars; }
        // The number, or 1 and 0 for true and false.
        std::int64_t numberValue() const noexcept { return integer; }
        // As a scenario writes it.
        std::string text() const;

        bool operator==(const Value& other) const noexcept;
        bool operator!=(const Value& other) const noexcept { return !(*this == other); }

    private:
        Value(Kind kind, std::string characters, std::int64_t value)
            : valueKind(kind), chars(std::move(characters)), integer(value) {}
        bool holdsCharacters() const noexcept { return valueKind == Kind::text || valueKind == Kind::word; }

        Kind valueKind;
        std::string chars;
        std::int64_t integer;
    };

    struct Field {
        std::string name;
        Value value;
        // Details are shown in the text transcript only where they tell
        // something, e.g. a record member that differs from what the plug-in
        // must always send.
        bool shownInText = true;
    };

    // The arguments and result of each call between host and plug-in, in the
    // order transcripts show them and expectations list them.
    struct HostCallShape {
        enum class Argument { text, version, eventID, plugin, notifier, userData };
        struct Parameter {
            const char* name;
            Argument kind;
        };

        HostCallKind kind;
        std::vector<Parameter> parameters;
        // Empty for notify, which returns nothing.
        const char* resultName;
        bool booleanResult;

        static const HostCallShape& of(HostCallKind kind);
        // The calls the plug-in makes into the host, by name; null for others.
        static const HostCallShape* ofPluginCall(const std::string& name);
    };

    // An event that the plug-in dispatched. Its senderApp, senderExtension
    // and deliveryMode are details, shown where they differ from what the
    // plug-in must always send ("LMTR", null, 0).
    static TranscriptEntry pluginDispatch(const cflx::event::Event* event);
    // The pattern of `expect bus`: the record the plug-in must send.
    static TranscriptEntry expectedDispatch(const std::string& eventType, const std::optional<std::string>& payload);
    // An extension's request, written like the `send` command that makes it.
    static TranscriptEntry extensionDispatch(const cflx::event::Event& event);
    // One AddEventListener call of the plug-in, with the label of its handler.
    static TranscriptEntry subscription(const char* eventType, Value handler, const void* userData,
                                        std::int32_t status);
    // The pattern of `expect subscribe`: the user data must be null.
    static TranscriptEntry expectedSubscription(const std::string& eventType, std::int32_t status);
    // A call between host and plug-in with its arguments in the shape's
    // order, and the pattern of `expect host`.
    static TranscriptEntry hostCall(const HostCallShape& shape, std::vector<Value> arguments,
                                    std::optional<Value> result);
    // A call from the host's log, with the plug-in reference and the notifier
    // it carries shown as the caller names them; other pointers show in hex.
    // This is the one way host calls are written, by lmhost, the fuzz targets
    // and the stand-in's own tests alike.
    static TranscriptEntry fromHostCall(const HostCall& call, const Value& plugin, const Value& notifier);

    template <typename Pointer>
    static std::uintptr_t addressOf(Pointer pointer) noexcept {
        return reinterpret_cast<std::uintptr_t>(pointer);
    }

    // The line in scenario syntax, e.g. `host addNotifier plugin 7 notifier2
    // null -> 0`, `bus com.corvane.lumetra.events.PingResponseEvent ""`.
    std::string text() const;
    // Who made the call: host, extension or plug-in.
    const char* actorName() const noexcept;
    // What the call was made to: host, bus or plug-in.
    const char* calleeName() const noexcept;
    // The word after `expect` and `expect nothing`: bus, subscribe, host,
    // sameString.
    static const char* streamName(TranscriptStream stream) noexcept;

    // The scenario line that caused the call; 0 for lmhost's own steps.
    std::size_t line = 0;
    TranscriptActor actor = TranscriptActor::host;
    TranscriptStream stream = TranscriptStream::none;
    // The function that was called: addNotifier, DispatchEvent, PluginMain...
    std::string call;
    std::vector<Field> arguments;
    std::optional<Field> result;
    // Never compared, except the ones an expectation lists (it then requires
    // the entry to carry them with equal values).
    std::vector<Field> details;

private:
    bool toHost() const noexcept;
    bool toBus() const noexcept;
    std::string keyword() const;
    std::string shownDetails() const;
};
