// Whether the plug-in holds the action-control suite, and the contract
// violations its fetches, returns and uses make.
#pragma once

#include <optional>
#include <string>

// Each check answers the violation that the step makes, if any; the marks
// record what the host did.
class SuiteHold {
public:
    std::optional<std::string> checkFetch() const;
    std::optional<std::string> checkReturn() const;
    std::optional<std::string> checkUse(const char* member) const;
    std::optional<std::string> checkEndOfRun() const;
    bool isHeld() const noexcept { return state == State::held; }

    void markFetched() noexcept;
    void markReturned() noexcept;
    // The host refused the return: the suite stays held, but the plug-in did
    // its part, so the end of the run does not blame it.
    void markReturnRefused() noexcept { returnRefused = true; }

private:
    enum class State { neverFetched, held, returned };

    State state = State::neverFetched;
    bool returnRefused = false;
};
