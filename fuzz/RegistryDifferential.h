// Runs one decoded sequence of registry operations against LMEventRegistry on
// the host stand-in and against RegistryModel, comparing after every step.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "Host.h"
#include "LMEventRegistry.h"
#include "RegistryModel.h"

class RegistryDifferential {
public:
    RegistryDifferential();

    // Aborts at the first difference in a list, in the host calls made, in
    // the installed notifiers or in the table itself.
    void run(FuzzInput& input);

private:
    void step(FuzzInput& input);
    void changeListener(FuzzInput& input, RegistryModel::CallKind change);
    void listEvents(FuzzInput& input);
    void unregisterAll(FuzzInput& input);
    RegistryModel::Answers scriptAnswers(FuzzInput& input, HostCallKind kind, std::size_t count);

    void compareWithModel(std::size_t modelCallsBefore);
    // The host's calls since the last step, one line each, as lmhost shows
    // them; the log is cleared.
    std::string hostCallsOfStep();
    HostCall asLogged(const RegistryModel::HostCall& call);
    std::string lineOf(const HostCall& call);
    std::vector<std::uint32_t> installedIDs();

    Host host;
    LMEventRegistry registry;
    RegistryModel model;
    std::size_t steps = 0;
};
