// Reads a scenario file into commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "ScenarioLexer.h"
#include "TranscriptEntry.h"

// A file is read whole before anything runs, so a malformed line stops the
// run before the plug-in is even loaded; a scenario typed on standard input
// is read a line at a time. Host event names (`idle` and those of `host
// event` lines above) are turned into ids here.
class ScenarioParser {
public:
    // Throws ScenarioLexer::Error at the first malformed line.
    static Scenario parse(const std::string& name, const std::string& text);

    explicit ScenarioParser(const std::string& name);
    // The command on one line, or none for a blank line, a comment or
    // `manual`. Throws ScenarioLexer::Error for a malformed line, which then changes
    // nothing, so the lines after it read as if it had not been there.
    std::optional<Scenario::Command> parseLine(const std::string& line, std::size_t number);
    bool manual() const noexcept { return scenario.manual; }

private:
    using Command = Scenario::Command;
    using Shape = TranscriptEntry::HostCallShape;
    using CommandParser = void (ScenarioParser::*)(ScenarioLexer&, Command&);
    struct Subcommand {
        const char* name;
        CommandParser parser;
    };

    void parseManual(ScenarioLexer& line);
    static CommandParser commandParser(const std::string& keyword);
    void parseSubcommand(ScenarioLexer& line, Command& command, const std::string& keyword,
                         const std::vector<Subcommand>& choices);

    void parseStartup(ScenarioLexer& line, Command& command);
    void parseShutdown(ScenarioLexer& line, Command& command);
    void parseCall(ScenarioLexer& line, Command& command);
    void parseIdle(ScenarioLexer& line, Command& command);
    void parseFire(ScenarioLexer& line, Command& command);
    void parseSend(ScenarioLexer& line, Command& command);
    void parseAdd(ScenarioLexer& line, Command& command);
    void parseRemove(ScenarioLexer& line, Command& command);
    void parsePing(ScenarioLexer& line, Command& command);
    void parseList(ScenarioLexer& line, Command& command);
    void parseHost(ScenarioLexer& line, Command& command);
    void parseBus(ScenarioLexer& line, Command& command);
    void busFail(ScenarioLexer& line, Command& command);
    void busThrow(ScenarioLexer& line, Command& command);
    void busDuring(ScenarioLexer& line, Command& command);
    void parseExpect(ScenarioLexer& line, Command& command);

    static void pluginMain(ScenarioLexer& line, Command& command, const char* selector);
    static void listenerRequest(ScenarioLexer& line, Command& command, const char* type,
                                const std::string& keyword);
    static void request(Command& command, std::string type, std::optional<std::string> sender,
                        std::optional<std::string> payload);
    void hostStatus(ScenarioLexer& line, Command& command);
    static const Shape& pluginCall(ScenarioLexer& line, const std::string& after);
    void hostNull(ScenarioLexer& line, Command& command);
    void hostMessage(ScenarioLexer& line, Command& command);
    void hostEvent(ScenarioLexer& line, Command& command);
    void hostNotify(ScenarioLexer& line, Command& command);
    void hostSuite(ScenarioLexer& line, Command& command);
    void hostSameString(ScenarioLexer& line, Command& command);
    void expectHost(ScenarioLexer& line, Command& command);
    void expectBus(ScenarioLexer& line, Command& command);
    void expectSubscribe(ScenarioLexer& line, Command& command);
    void expectNothing(ScenarioLexer& line, Command& command);
    TranscriptEntry::Value expectedArgument(ScenarioLexer& line, const Shape::Parameter& parameter,
                                     const std::string& call);
    std::uint32_t eventID(ScenarioLexer& line, const std::string& what);

    Scenario scenario;
    bool commandSeen = false;
    std::map<std::string, std::uint32_t> hostEvents;
};
