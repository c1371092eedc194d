#include "SuiteHold.h"

std::optional<std::string> SuiteHold::checkFetch() const {
    if (state == State::held) {
        return "fetchSuite of the action-control suite while the plug-in already holds it";
    }
    return std::nullopt;
}

std::optional<std::string> SuiteHold::checkReturn() const {
    if (state != State::held) {
        return "returnSuite of the action-control suite while the plug-in does not hold it";
    }
    return std::nullopt;
}

std::optional<std::string> SuiteHold::checkUse(const char* member) const {
    switch (state) {
    case State::neverFetched:
        return std::string(member) + " called before the action-control suite was fetched";
    case State::returned:
        return std::string(member) + " called after the action-control suite was returned";
    case State::held:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> SuiteHold::checkEndOfRun() const {
    if (state == State::held && !returnRefused) {
        return "the action-control suite was never returned";
    }
    return std::nullopt;
}

void SuiteHold::markFetched() noexcept {
    state = State::held;
    returnRefused = false;
}

void SuiteHold::markReturned() noexcept { state = State::returned; }
