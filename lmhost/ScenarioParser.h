// Reads a scenario file into commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "HostCallShape.h"
#include "Scenario.h"
#include "ScenarioCommand.h"
#include "ScenarioTokenReader.h"
#include "TranscriptValue.h"

// A file is read whole before anything runs, so a malformed line stops the
// run before the plug-in is even loaded; a scenario typed on standard input
// is read a line at a time. Host event names (`idle` and those of `host
// event` lines above) are turned into ids here.
class ScenarioParser {
public:
    // Throws ScenarioError at the first malformed line.
    static Scenario parse(const std::string& name, const std::string& text);

    explicit ScenarioParser(const std::string& name);
    // The command on one line, or none for a blank line, a comment or
    // `manual`. Throws ScenarioError for a malformed line, which then changes
    // nothing, so the lines after it read as if it had not been there.
    std::optional<ScenarioCommand> parseLine(const std::string& line, std::size_t number);
    bool manual() const noexcept { return scenario.manual; }

private:
    using CommandParser = void (ScenarioParser::*)(ScenarioTokenReader&, ScenarioCommand&);
    struct Subcommand {
        const char* name;
        CommandParser parser;
    };

    void parseManual(ScenarioTokenReader& reader);
    static CommandParser commandParser(const std::string& keyword);
    void parseSubcommand(ScenarioTokenReader& reader, ScenarioCommand& command, const std::string& keyword,
                         const std::vector<Subcommand>& choices);

    void parseStartup(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseShutdown(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseCall(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseIdle(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseFire(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseSend(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseAdd(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseRemove(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parsePing(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseList(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseHost(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseBus(ScenarioTokenReader& reader, ScenarioCommand& command);
    void busFail(ScenarioTokenReader& reader, ScenarioCommand& command);
    void busThrow(ScenarioTokenReader& reader, ScenarioCommand& command);
    void busDuring(ScenarioTokenReader& reader, ScenarioCommand& command);
    void parseExpect(ScenarioTokenReader& reader, ScenarioCommand& command);

    static void pluginMain(ScenarioTokenReader& reader, ScenarioCommand& command, const char* selector);
    static void listenerRequest(ScenarioTokenReader& reader, ScenarioCommand& command, const char* type,
                                const std::string& keyword);
    static void request(ScenarioCommand& command, const char* type, std::optional<std::string> sender,
                        std::optional<std::string> payload);
    void hostStatus(ScenarioTokenReader& reader, ScenarioCommand& command);
    static const HostCallShape& pluginCall(ScenarioTokenReader& reader, const std::string& after);
    void hostNull(ScenarioTokenReader& reader, ScenarioCommand& command);
    void hostMessage(ScenarioTokenReader& reader, ScenarioCommand& command);
    void hostEvent(ScenarioTokenReader& reader, ScenarioCommand& command);
    void hostNotify(ScenarioTokenReader& reader, ScenarioCommand& command);
    void hostSuite(ScenarioTokenReader& reader, ScenarioCommand& command);
    void hostSameString(ScenarioTokenReader& reader, ScenarioCommand& command);
    void expectHost(ScenarioTokenReader& reader, ScenarioCommand& command);
    void expectBus(ScenarioTokenReader& reader, ScenarioCommand& command);
    void expectSubscribe(ScenarioTokenReader& reader, ScenarioCommand& command);
    void expectNothing(ScenarioTokenReader& reader, ScenarioCommand& command);
    TranscriptValue expectedArgument(ScenarioTokenReader& reader, const HostCallShape::Parameter& parameter,
                                     const std::string& call);
    std::uint32_t eventID(ScenarioTokenReader& reader, const std::string& what);

    Scenario scenario;
    bool commandSeen = false;
    std::map<std::string, std::uint32_t> hostEvents;
};
