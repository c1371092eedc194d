#include "ScenarioParser.h"

#include <algorithm>
#include <utility>

#include "BusEntries.h"
#include "EntryText.h"
#include "EventCatalogue.h"
#include "HostEntries.h"
#include "KXPluginMain.h"
#include "LMEventCatalogue.h"
#include "ScenarioLexer.h"
#include "StatusScript.h"

namespace {

constexpr std::int64_t kHighestEventID = 0xFFFFFFFF;
constexpr std::int32_t kDefaultSubscriptionFailure = 1;

std::string trimmed(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

std::string withoutCarriageReturn(std::string line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

ScenarioParser::ScenarioParser(const std::string& name) : hostEvents{{"idle", Host::kDefaultIdleEventID}} {
    scenario.name = name;
}

Scenario ScenarioParser::parse(const std::string& name, const std::string& text) {
    ScenarioParser parser(name);
    std::size_t number = 1;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (std::optional<ScenarioCommand> command = parser.parseLine(text.substr(start, end - start), number)) {
            parser.scenario.commands.push_back(std::move(*command));
        }
        start = end + 1;
    }
    return std::move(parser.scenario);
}

std::optional<ScenarioCommand> ScenarioParser::parseLine(const std::string& text, std::size_t number) {
    const std::string line = withoutCarriageReturn(text);
    ScenarioTokenReader reader(ScenarioLexer::split(line, number), number);
    if (reader.atEnd()) {
        return std::nullopt;
    }
    const std::string keyword = reader.word("a command");
    if (keyword == "manual") {
        parseManual(reader);
        return std::nullopt;
    }
    const CommandParser parser = commandParser(keyword);
    if (parser == nullptr) {
        reader.fail("unknown command '" + keyword +
                    "'; expected manual, startup, shutdown, call, idle, fire, send, add, remove, "
                    "ping, list, host, bus or expect");
    }
    ScenarioCommand command;
    command.line = number;
    command.source = trimmed(line);
    (this->*parser)(reader, command);
    reader.end();
    if (command.kind == ScenarioCommand::Kind::defineHostEvent) {
        hostEvents[*command.texts.front()] = command.eventID;
    }
    commandSeen = true;
    return command;
}

void ScenarioParser::parseManual(ScenarioTokenReader& reader) {
    if (scenario.manual || commandSeen) {
        reader.fail("'manual' must come before every other command");
    }
    reader.end();
    scenario.manual = true;
}

ScenarioParser::CommandParser ScenarioParser::commandParser(const std::string& keyword) {
    static const std::map<std::string, CommandParser> parsers = {
        {"startup", &ScenarioParser::parseStartup}, {"shutdown", &ScenarioParser::parseShutdown},
        {"call", &ScenarioParser::parseCall},       {"idle", &ScenarioParser::parseIdle},
        {"fire", &ScenarioParser::parseFire},       {"send", &ScenarioParser::parseSend},
        {"add", &ScenarioParser::parseAdd},         {"remove", &ScenarioParser::parseRemove},
        {"ping", &ScenarioParser::parsePing},       {"list", &ScenarioParser::parseList},
        {"host", &ScenarioParser::parseHost},       {"bus", &ScenarioParser::parseBus},
        {"expect", &ScenarioParser::parseExpect},
    };
    const auto found = parsers.find(keyword);
    return found == parsers.end() ? nullptr : found->second;
}

void ScenarioParser::pluginMain(ScenarioTokenReader& reader, ScenarioCommand& command, const char* selector) {
    command.kind = ScenarioCommand::Kind::pluginMain;
    command.texts = {std::string(kKXInterfaceCaller), std::string(selector)};
    command.expectedResult = reader.arrowStatus("the result PluginMain must return").value_or(0);
}

void ScenarioParser::parseStartup(ScenarioTokenReader& reader, ScenarioCommand& command) {
    pluginMain(reader, command, kKXStartupSelector);
}

void ScenarioParser::parseShutdown(ScenarioTokenReader& reader, ScenarioCommand& command) {
    pluginMain(reader, command, kKXShutdownSelector);
}

void ScenarioParser::parseCall(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string caller = reader.text("the caller after 'call'");
    const std::string selector = reader.text("the selector after the caller");
    pluginMain(reader, command, selector.c_str());
    command.texts.front() = caller;
}

void ScenarioParser::parseIdle(ScenarioTokenReader&, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::fire;
    command.eventID = hostEvents.at("idle");
}

void ScenarioParser::parseFire(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::fire;
    command.eventID = eventID(reader, "an event id or host event name after 'fire'");
}

void ScenarioParser::request(ScenarioCommand& command, const char* type, std::optional<std::string> sender,
                             std::optional<std::string> payload) {
    command.kind = ScenarioCommand::Kind::send;
    command.texts = {std::string(type), std::move(sender), std::move(payload)};
}

void ScenarioParser::parseSend(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string type = EventCatalogue::typeOf(reader.text("the event type after 'send'"));
    std::optional<std::string> sender = reader.textOrNull("the sender extension after the event type");
    std::optional<std::string> payload = reader.textOrNull("the payload after the sender extension");
    request(command, type.c_str(), std::move(sender), std::move(payload));
}

void ScenarioParser::listenerRequest(ScenarioTokenReader& reader, ScenarioCommand& command, const char* type,
                                     const std::string& keyword) {
    std::optional<std::string> sender = reader.textOrNull("the sender extension after '" + keyword + "'");
    std::optional<std::string> event = reader.textOrNull("the event text after the sender extension");
    request(command, type, std::move(sender), std::move(event));
}

void ScenarioParser::parseAdd(ScenarioTokenReader& reader, ScenarioCommand& command) {
    listenerRequest(reader, command, LMEventCatalogue::kAddEventListener, "add");
}

void ScenarioParser::parseRemove(ScenarioTokenReader& reader, ScenarioCommand& command) {
    listenerRequest(reader, command, LMEventCatalogue::kRemoveEventListener, "remove");
}

void ScenarioParser::parsePing(ScenarioTokenReader& reader, ScenarioCommand& command) {
    std::optional<std::string> sender =
        reader.atEnd() ? std::nullopt : reader.textOrNull("the sender extension after 'ping'");
    request(command, LMEventCatalogue::kPingRequest, std::move(sender), std::string());
}

void ScenarioParser::parseList(ScenarioTokenReader& reader, ScenarioCommand& command) {
    std::optional<std::string> sender = reader.textOrNull("the sender extension after 'list'");
    request(command, LMEventCatalogue::kListEventsRequest, std::move(sender), std::string());
}

// `host`, `bus` and `expect` are followed by a word that picks the command.
void ScenarioParser::parseSubcommand(ScenarioTokenReader& reader, ScenarioCommand& command,
                                     const std::string& keyword, const std::vector<Subcommand>& choices) {
    std::string names;
    for (std::size_t at = 0; at < choices.size(); ++at) {
        names += (at == 0 ? "" : at + 1 == choices.size() ? " or " : ", ") + std::string(choices[at].name);
    }
    const std::string what = reader.word(names + " after '" + keyword + "'");
    for (const Subcommand& choice : choices) {
        if (what == choice.name) {
            (this->*choice.parser)(reader, command);
            return;
        }
    }
    reader.fail("expected " + names + " after '" + keyword + "', found '" + what + "'");
}

void ScenarioParser::parseHost(ScenarioTokenReader& reader, ScenarioCommand& command) {
    parseSubcommand(reader, command, "host",
                    {{"status", &ScenarioParser::hostStatus},
                     {"null", &ScenarioParser::hostNull},
                     {"message", &ScenarioParser::hostMessage},
                     {"event", &ScenarioParser::hostEvent},
                     {"notify", &ScenarioParser::hostNotify},
                     {"suite", &ScenarioParser::hostSuite},
                     {"sameString", &ScenarioParser::hostSameString}});
}

void ScenarioParser::hostStatus(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const HostCallShape& shape = pluginCall(reader, "host status");
    const std::string call = nameOf(shape.kind);
    if (!StatusScript::isScriptable(shape.kind)) {
        reader.fail(call + " answers by comparing and takes no scripted status");
    }
    command.kind = ScenarioCommand::Kind::scriptHostStatus;
    command.hostCall = shape.kind;
    command.status = reader.status("the status " + call + " returns next");
}

const HostCallShape& ScenarioParser::pluginCall(ScenarioTokenReader& reader, const std::string& after) {
    const std::string call = reader.word("the host call after '" + after + "'");
    const HostCallShape* shape = HostCallShape::ofPluginCall(call);
    if (shape == nullptr) {
        reader.fail("expected fetchSuite, returnSuite, sameString, lookupEventID, addNotifier or "
                    "removeNotifier after '" + after + "', found '" + call + "'");
    }
    return *shape;
}

void ScenarioParser::hostNull(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::nullHostMember;
    command.hostCall = pluginCall(reader, "host null").kind;
}

void ScenarioParser::hostMessage(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::shapeNextMessage;
    const std::string what = reader.word("null or coreSuite after 'host message'");
    if (what == "null") {
        command.messageShape = Host::MessageShape::nullMessage;
        return;
    }
    if (what != "coreSuite" || reader.word("null after 'host message coreSuite'") != "null") {
        reader.fail("expected 'host message null' or 'host message coreSuite null'");
    }
    command.messageShape = Host::MessageShape::nullCoreSuite;
}

void ScenarioParser::hostEvent(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string name = reader.text("the event name after 'host event'");
    command.kind = ScenarioCommand::Kind::defineHostEvent;
    command.texts = {name};
    command.eventID = static_cast<std::uint32_t>(reader.number("the event id of " + name, 0, kHighestEventID));
}

void ScenarioParser::hostNotify(ScenarioTokenReader& reader, ScenarioCommand& command) {
    if (reader.word("inside after 'host notify'") != "inside") {
        reader.fail("expected 'host notify inside'");
    }
    command.kind = ScenarioCommand::Kind::notifyInsideAdd;
}

void ScenarioParser::hostSuite(ScenarioTokenReader& reader, ScenarioCommand& command) {
    if (reader.word("null after 'host suite'") != "null") {
        reader.fail("expected 'host suite null'");
    }
    command.kind = ScenarioCommand::Kind::fetchNullSuite;
}

void ScenarioParser::hostSameString(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::scriptSameString;
    command.status = reader.status("the value sameString answers next");
}

void ScenarioParser::parseBus(ScenarioTokenReader& reader, ScenarioCommand& command) {
    parseSubcommand(reader, command, "bus",
                    {{"fail", &ScenarioParser::busFail},
                     {"throw", &ScenarioParser::busThrow},
                     {"during", &ScenarioParser::busDuring}});
}

void ScenarioParser::busThrow(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string call = reader.word("subscribe or dispatch after 'bus throw'");
    if (call != "subscribe" && call != "dispatch") {
        reader.fail("expected subscribe or dispatch after 'bus throw', found '" + call + "'");
    }
    command.kind = ScenarioCommand::Kind::throwFromBus;
    command.onSubscription = call == "subscribe";
    command.texts = {EventCatalogue::typeOf(reader.text("the event type after 'bus throw " + call + "'"))};
}

// The request is written as its own command would be: add, remove, ping, list or send.
void ScenarioParser::busDuring(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string trigger = EventCatalogue::typeOf(reader.text("the event type after 'bus during'"));
    static const std::map<std::string, CommandParser> requests = {
        {"add", &ScenarioParser::parseAdd},   {"remove", &ScenarioParser::parseRemove},
        {"ping", &ScenarioParser::parsePing}, {"list", &ScenarioParser::parseList},
        {"send", &ScenarioParser::parseSend},
    };
    const std::string keyword = reader.word("add, remove, ping, list or send after the event type");
    const auto request = requests.find(keyword);
    if (request == requests.end()) {
        reader.fail("expected add, remove, ping, list or send after the event type, found '" + keyword + "'");
    }
    (this->*request->second)(reader, command);
    command.kind = ScenarioCommand::Kind::sendDuring;
    command.texts.push_back(trigger);
}

void ScenarioParser::busFail(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::failSubscription;
    command.texts = {EventCatalogue::typeOf(reader.text("the event type after 'bus fail'"))};
    command.status = reader.atEnd() ? kDefaultSubscriptionFailure : reader.status("the failure status");
    if (command.status == 0) {
        reader.fail("a failing subscription needs a non-zero status");
    }
}

void ScenarioParser::parseExpect(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::expectEntry;
    parseSubcommand(reader, command, "expect",
                    {{"bus", &ScenarioParser::expectBus},
                     {"subscribe", &ScenarioParser::expectSubscribe},
                     {"host", &ScenarioParser::expectHost},
                     {"nothing", &ScenarioParser::expectNothing}});
}

void ScenarioParser::expectBus(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string type = EventCatalogue::typeOf(reader.text("the event type after 'expect bus'"));
    const std::optional<std::string> payload = reader.textOrNull("the payload after the event type");
    command.pattern = BusEntries::expectedDispatch(type, payload);
}

void ScenarioParser::expectSubscribe(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const std::string type = EventCatalogue::typeOf(reader.text("the event type after 'expect subscribe'"));
    reader.arrow("the status of the subscription");
    command.pattern = BusEntries::expectedSubscription(type, reader.status("the status of the subscription"));
}

void ScenarioParser::expectHost(ScenarioTokenReader& reader, ScenarioCommand& command) {
    const HostCallShape& shape = pluginCall(reader, "expect host");
    const std::string call = nameOf(shape.kind);
    std::vector<TranscriptValue> arguments;
    for (const HostCallShape::Parameter& parameter : shape.parameters) {
        arguments.push_back(expectedArgument(reader, parameter, call));
    }
    reader.arrow(std::string("the ") + shape.resultName + " of " + call);
    TranscriptValue result = TranscriptValue::null();
    if (shape.booleanResult) {
        const std::string answer = reader.word("true or false");
        if (answer != "true" && answer != "false") {
            reader.fail("expected true or false as the result of " + call + ", found '" + answer + "'");
        }
        result = TranscriptValue::boolean(answer == "true");
    } else {
        result = TranscriptValue::number(reader.status("the status of " + call));
    }
    command.pattern = HostEntries::expected(shape, std::move(arguments), std::move(result));
}

TranscriptValue ScenarioParser::expectedArgument(ScenarioTokenReader& reader,
                                                 const HostCallShape::Parameter& parameter,
                                                 const std::string& call) {
    const std::string what = std::string("the ") + parameter.name + " argument of " + call;
    switch (parameter.kind) {
    case HostCallShape::Argument::text:
        return TranscriptValue::textOrNull(reader.textOrNull(what));
    case HostCallShape::Argument::version:
        return TranscriptValue::number(reader.status(what));
    case HostCallShape::Argument::eventID:
        return TranscriptValue::number(eventID(reader, what + " (an id or host event name)"));
    case HostCallShape::Argument::plugin:
    case HostCallShape::Argument::notifier:
    case HostCallShape::Argument::userData:
        break;
    }
    const std::string word = reader.word(what + " (plugin, notifierN, null or an address)");
    return word == "null" ? TranscriptValue::null() : TranscriptValue::word(word);
}

std::uint32_t ScenarioParser::eventID(ScenarioTokenReader& reader, const std::string& what) {
    if (reader.atEnd() || reader.nextIsNumber()) {
        return static_cast<std::uint32_t>(reader.number(what, 0, kHighestEventID));
    }
    const std::string name = reader.text(what);
    const auto found = hostEvents.find(name);
    if (found == hostEvents.end()) {
        reader.fail("unknown host event '" + name + "'; write its id, or name it first with 'host event " +
                    name + " ID'");
    }
    return found->second;
}

void ScenarioParser::expectNothing(ScenarioTokenReader& reader, ScenarioCommand& command) {
    command.kind = ScenarioCommand::Kind::expectNothing;
    if (reader.atEnd()) {
        return;
    }
    const std::string stream = reader.word("bus, subscribe, host or sameString after 'expect nothing'");
    for (const TranscriptStream candidate : kExpectableStreams) {
        if (stream == EntryText::streamName(candidate)) {
            command.pattern.stream = candidate;
            return;
        }
    }
    reader.fail("expected bus, subscribe, host or sameString after 'expect nothing', found '" + stream + "'");
}
