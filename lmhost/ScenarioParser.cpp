#include "ScenarioParser.h"

#include <algorithm>
#include <utility>

#include "EventCatalogue.h"
#include "KXPluginMain.h"
#include "LMEventCatalogue.h"
#include "StatusScript.h"

namespace {

using Value = TranscriptEntry::Value;

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
        if (std::optional<Command> command = parser.parseLine(text.substr(start, end - start), number)) {
            parser.scenario.commands.push_back(std::move(*command));
        }
        start = end + 1;
    }
    return std::move(parser.scenario);
}

std::optional<Scenario::Command> ScenarioParser::parseLine(const std::string& text, std::size_t number) {
    const std::string source = withoutCarriageReturn(text);
    ScenarioLexer line(source, number);
    if (line.atEnd()) {
        return std::nullopt;
    }
    const std::string keyword = line.word("a command");
    if (keyword == "manual") {
        parseManual(line);
        return std::nullopt;
    }
    const CommandParser parser = commandParser(keyword);
    if (parser == nullptr) {
        line.fail("unknown command '" + keyword +
                  "'; expected manual, startup, shutdown, call, idle, fire, send, add, remove, "
                  "ping, list, host, bus or expect");
    }
    Command command;
    command.line = number;
    command.source = trimmed(source);
    (this->*parser)(line, command);
    line.end();
    if (command.kind == Command::Kind::defineHostEvent) {
        hostEvents[command.eventName] = command.eventID;
    }
    commandSeen = true;
    return command;
}

void ScenarioParser::parseManual(ScenarioLexer& line) {
    if (scenario.manual || commandSeen) {
        line.fail("'manual' must come before every other command");
    }
    line.end();
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

void ScenarioParser::pluginMain(ScenarioLexer& line, Command& command, const char* selector) {
    command.kind = Command::Kind::pluginMain;
    command.caller = kKXInterfaceCaller;
    command.selector = selector;
    command.expectedResult = line.arrowStatus("the result PluginMain must return").value_or(0);
}

void ScenarioParser::parseStartup(ScenarioLexer& line, Command& command) {
    pluginMain(line, command, kKXStartupSelector);
}

void ScenarioParser::parseShutdown(ScenarioLexer& line, Command& command) {
    pluginMain(line, command, kKXShutdownSelector);
}

void ScenarioParser::parseCall(ScenarioLexer& line, Command& command) {
    const std::string caller = line.text("the caller after 'call'");
    const std::string selector = line.text("the selector after the caller");
    pluginMain(line, command, selector.c_str());
    command.caller = caller;
}

void ScenarioParser::parseIdle(ScenarioLexer&, Command& command) {
    command.kind = Command::Kind::fire;
    command.eventID = hostEvents.at("idle");
}

void ScenarioParser::parseFire(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::fire;
    command.eventID = eventID(line, "an event id or host event name after 'fire'");
}

void ScenarioParser::request(Command& command, std::string type, std::optional<std::string> sender,
                             std::optional<std::string> payload) {
    command.kind = Command::Kind::send;
    command.request = Scenario::Request{std::move(type), std::move(sender), std::move(payload)};
}

void ScenarioParser::parseSend(ScenarioLexer& line, Command& command) {
    std::string type = EventCatalogue::typeOf(line.text("the event type after 'send'"));
    std::optional<std::string> sender = line.textOrNull("the sender extension after the event type");
    std::optional<std::string> payload = line.textOrNull("the payload after the sender extension");
    request(command, std::move(type), std::move(sender), std::move(payload));
}

void ScenarioParser::listenerRequest(ScenarioLexer& line, Command& command, const char* type,
                                     const std::string& keyword) {
    std::optional<std::string> sender = line.textOrNull("the sender extension after '" + keyword + "'");
    std::optional<std::string> event = line.textOrNull("the event text after the sender extension");
    request(command, type, std::move(sender), std::move(event));
}

void ScenarioParser::parseAdd(ScenarioLexer& line, Command& command) {
    listenerRequest(line, command, LMEventCatalogue::kAddEventListener, "add");
}

void ScenarioParser::parseRemove(ScenarioLexer& line, Command& command) {
    listenerRequest(line, command, LMEventCatalogue::kRemoveEventListener, "remove");
}

void ScenarioParser::parsePing(ScenarioLexer& line, Command& command) {
    std::optional<std::string> sender =
        line.atEnd() ? std::nullopt : line.textOrNull("the sender extension after 'ping'");
    request(command, LMEventCatalogue::kPingRequest, std::move(sender), std::string());
}

void ScenarioParser::parseList(ScenarioLexer& line, Command& command) {
    std::optional<std::string> sender = line.textOrNull("the sender extension after 'list'");
    request(command, LMEventCatalogue::kListEventsRequest, std::move(sender), std::string());
}

// `host`, `bus` and `expect` are followed by a word that picks the command.
void ScenarioParser::parseSubcommand(ScenarioLexer& line, Command& command,
                                     const std::string& keyword, const std::vector<Subcommand>& choices) {
    std::string names;
    for (std::size_t at = 0; at < choices.size(); ++at) {
        names += (at == 0 ? "" : at + 1 == choices.size() ? " or " : ", ") + std::string(choices[at].name);
    }
    const std::string what = line.word(names + " after '" + keyword + "'");
    for (const Subcommand& choice : choices) {
        if (what == choice.name) {
            (this->*choice.parser)(line, command);
            return;
        }
    }
    line.fail("expected " + names + " after '" + keyword + "', found '" + what + "'");
}

void ScenarioParser::parseHost(ScenarioLexer& line, Command& command) {
    parseSubcommand(line, command, "host",
                    {{"status", &ScenarioParser::hostStatus},
                     {"null", &ScenarioParser::hostNull},
                     {"message", &ScenarioParser::hostMessage},
                     {"event", &ScenarioParser::hostEvent},
                     {"notify", &ScenarioParser::hostNotify},
                     {"suite", &ScenarioParser::hostSuite},
                     {"sameString", &ScenarioParser::hostSameString}});
}

void ScenarioParser::hostStatus(ScenarioLexer& line, Command& command) {
    const Shape& shape = pluginCall(line, "host status");
    const std::string call = nameOf(shape.kind);
    if (!StatusScript::isScriptable(shape.kind)) {
        line.fail(call + " answers by comparing and takes no scripted status");
    }
    command.kind = Command::Kind::scriptHostStatus;
    command.hostCall = shape.kind;
    command.status = line.status("the status " + call + " returns next");
}

const TranscriptEntry::HostCallShape& ScenarioParser::pluginCall(ScenarioLexer& line, const std::string& after) {
    const std::string call = line.word("the host call after '" + after + "'");
    const Shape* shape = Shape::ofPluginCall(call);
    if (shape == nullptr) {
        line.fail("expected fetchSuite, returnSuite, sameString, lookupEventID, addNotifier or "
                    "removeNotifier after '" + after + "', found '" + call + "'");
    }
    return *shape;
}

void ScenarioParser::hostNull(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::nullHostMember;
    command.hostCall = pluginCall(line, "host null").kind;
}

void ScenarioParser::hostMessage(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::shapeNextMessage;
    const std::string what = line.word("null or coreSuite after 'host message'");
    if (what == "null") {
        command.messageShape = Host::MessageShape::nullMessage;
        return;
    }
    if (what != "coreSuite" || line.word("null after 'host message coreSuite'") != "null") {
        line.fail("expected 'host message null' or 'host message coreSuite null'");
    }
    command.messageShape = Host::MessageShape::nullCoreSuite;
}

void ScenarioParser::hostEvent(ScenarioLexer& line, Command& command) {
    const std::string name = line.text("the event name after 'host event'");
    command.kind = Command::Kind::defineHostEvent;
    command.eventName = name;
    command.eventID = static_cast<std::uint32_t>(line.number("the event id of " + name, 0, kHighestEventID));
}

void ScenarioParser::hostNotify(ScenarioLexer& line, Command& command) {
    if (line.word("inside after 'host notify'") != "inside") {
        line.fail("expected 'host notify inside'");
    }
    command.kind = Command::Kind::notifyInsideAdd;
}

void ScenarioParser::hostSuite(ScenarioLexer& line, Command& command) {
    if (line.word("null after 'host suite'") != "null") {
        line.fail("expected 'host suite null'");
    }
    command.kind = Command::Kind::fetchNullSuite;
}

void ScenarioParser::hostSameString(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::scriptSameString;
    command.status = line.status("the value sameString answers next");
}

void ScenarioParser::parseBus(ScenarioLexer& line, Command& command) {
    parseSubcommand(line, command, "bus",
                    {{"fail", &ScenarioParser::busFail},
                     {"throw", &ScenarioParser::busThrow},
                     {"during", &ScenarioParser::busDuring}});
}

void ScenarioParser::busThrow(ScenarioLexer& line, Command& command) {
    const std::string call = line.word("subscribe or dispatch after 'bus throw'");
    if (call != "subscribe" && call != "dispatch") {
        line.fail("expected subscribe or dispatch after 'bus throw', found '" + call + "'");
    }
    command.kind = Command::Kind::throwFromBus;
    command.onSubscription = call == "subscribe";
    command.eventType = EventCatalogue::typeOf(line.text("the event type after 'bus throw " + call + "'"));
}

// The request is written as its own command would be: add, remove, ping, list or send.
void ScenarioParser::busDuring(ScenarioLexer& line, Command& command) {
    std::string trigger = EventCatalogue::typeOf(line.text("the event type after 'bus during'"));
    static const std::map<std::string, CommandParser> requests = {
        {"add", &ScenarioParser::parseAdd},   {"remove", &ScenarioParser::parseRemove},
        {"ping", &ScenarioParser::parsePing}, {"list", &ScenarioParser::parseList},
        {"send", &ScenarioParser::parseSend},
    };
    const std::string keyword = line.word("add, remove, ping, list or send after the event type");
    const auto request = requests.find(keyword);
    if (request == requests.end()) {
        line.fail("expected add, remove, ping, list or send after the event type, found '" + keyword + "'");
    }
    (this->*request->second)(line, command);
    command.kind = Command::Kind::sendDuring;
    command.eventType = std::move(trigger);
}

void ScenarioParser::busFail(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::failSubscription;
    command.eventType = EventCatalogue::typeOf(line.text("the event type after 'bus fail'"));
    command.status = line.atEnd() ? kDefaultSubscriptionFailure : line.status("the failure status");
    if (command.status == 0) {
        line.fail("a failing subscription needs a non-zero status");
    }
}

void ScenarioParser::parseExpect(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::expectEntry;
    parseSubcommand(line, command, "expect",
                    {{"bus", &ScenarioParser::expectBus},
                     {"subscribe", &ScenarioParser::expectSubscribe},
                     {"host", &ScenarioParser::expectHost},
                     {"nothing", &ScenarioParser::expectNothing}});
}

void ScenarioParser::expectBus(ScenarioLexer& line, Command& command) {
    const std::string type = EventCatalogue::typeOf(line.text("the event type after 'expect bus'"));
    const std::optional<std::string> payload = line.textOrNull("the payload after the event type");
    command.pattern = TranscriptEntry::expectedDispatch(type, payload);
}

void ScenarioParser::expectSubscribe(ScenarioLexer& line, Command& command) {
    const std::string type = EventCatalogue::typeOf(line.text("the event type after 'expect subscribe'"));
    line.arrow("the status of the subscription");
    command.pattern = TranscriptEntry::expectedSubscription(type, line.status("the status of the subscription"));
}

void ScenarioParser::expectHost(ScenarioLexer& line, Command& command) {
    const Shape& shape = pluginCall(line, "expect host");
    const std::string call = nameOf(shape.kind);
    std::vector<Value> arguments;
    for (const Shape::Parameter& parameter : shape.parameters) {
        arguments.push_back(expectedArgument(line, parameter, call));
    }
    line.arrow(std::string("the ") + shape.resultName + " of " + call);
    Value result = Value::null();
    if (shape.booleanResult) {
        const std::string answer = line.word("true or false");
        if (answer != "true" && answer != "false") {
            line.fail("expected true or false as the result of " + call + ", found '" + answer + "'");
        }
        result = Value::boolean(answer == "true");
    } else {
        result = Value::number(line.status("the status of " + call));
    }
    command.pattern = TranscriptEntry::hostCall(shape, std::move(arguments), std::move(result));
}

TranscriptEntry::Value ScenarioParser::expectedArgument(ScenarioLexer& line, const Shape::Parameter& parameter,
                                                 const std::string& call) {
    const std::string what = std::string("the ") + parameter.name + " argument of " + call;
    switch (parameter.kind) {
    case Shape::Argument::text:
        return Value::textOrNull(line.textOrNull(what));
    case Shape::Argument::version:
        return Value::number(line.status(what));
    case Shape::Argument::eventID:
        return Value::number(eventID(line, what + " (an id or host event name)"));
    case Shape::Argument::plugin:
    case Shape::Argument::notifier:
    case Shape::Argument::userData:
        break;
    }
    const std::string word = line.word(what + " (plugin, notifierN, null or an address)");
    return word == "null" ? Value::null() : Value::word(word);
}

std::uint32_t ScenarioParser::eventID(ScenarioLexer& line, const std::string& what) {
    if (line.atEnd() || line.nextIsNumber()) {
        return static_cast<std::uint32_t>(line.number(what, 0, kHighestEventID));
    }
    const std::string name = line.text(what);
    const auto found = hostEvents.find(name);
    if (found == hostEvents.end()) {
        line.fail("unknown host event '" + name + "'; write its id, or name it first with 'host event " +
                    name + " ID'");
    }
    return found->second;
}

void ScenarioParser::expectNothing(ScenarioLexer& line, Command& command) {
    command.kind = Command::Kind::expectNothing;
    if (line.atEnd()) {
        return;
    }
    const std::string stream = line.word("bus, subscribe, host or sameString after 'expect nothing'");
    for (const TranscriptStream candidate : kExpectableStreams) {
        if (stream == TranscriptEntry::streamName(candidate)) {
            command.pattern.stream = candidate;
            return;
        }
    }
    line.fail("expected bus, subscribe, host or sameString after 'expect nothing', found '" + stream + "'");
}
