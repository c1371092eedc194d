#include "RegistryModel.h"

#include <algorithm>
#include <limits>

#include "Divergence.h"

namespace {

constexpr std::uint64_t kIDModulus = std::uint64_t{1} << 32;
constexpr std::int64_t kCountLimit = std::numeric_limits<std::int32_t>::max();

bool isBlank(char c) { return std::string(" \t\n\v\f\r").find(c) != std::string::npos; }

bool isDigit(char c) { return std::string("0123456789").find(c) != std::string::npos; }

template <typename Item>
void sortByFirst(std::vector<Item>& items) {
    std::sort(items.begin(), items.end(),
              [](const Item& left, const Item& right) { return left.first < right.first; });
}

}  // namespace

std::uint32_t RegistryModel::eventID(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint64_t value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        value = (value * 10 + static_cast<std::uint64_t>(text[at] - '0')) % kIDModulus;
    }
    if (negative) {
        value = (kIDModulus - value) % kIDModulus;
    }
    return static_cast<std::uint32_t>(value);
}

std::int32_t RegistryModel::asReturned(std::int32_t status) noexcept {
    const std::int32_t low = static_cast<std::int32_t>(static_cast<std::uint32_t>(status) % 0x10000u);
    return low < 0x8000 ? low : low - 0x10000;
}

bool RegistryModel::callHost(CallKind kind, const std::string& event, Answers& answers) {
    std::int32_t status = 0;
    if (!answers.empty()) {
        status = answers.front();
        answers.pop_front();
    }
    const std::uint32_t id = eventID(event);
    if (hostSide) {
        status = hostSide(kind, id, status);
    }
    calls.push_back(HostCall{kind, id, asReturned(status)});
    const bool agreed = asReturned(status) == 0;
    if (agreed && kind == CallKind::add) {
        installed.push_back(id);
    } else if (agreed) {
        forgetInstallation(id);
    }
    return agreed;
}

void RegistryModel::forgetInstallation(std::uint32_t eventID) {
    const auto found = std::find(installed.begin(), installed.end(), eventID);
    if (found != installed.end()) {
        installed.erase(found);
    }
}

std::vector<RegistryModel::Entry>::iterator RegistryModel::entryOf(const std::string& event) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const Entry& entry) { return entry.event == event; });
}

void RegistryModel::add(const std::string& event, const std::string& listener, Answers& answers) {
    const auto entry = entryOf(event);
    if (entry == entries.end()) {
        if (callHost(CallKind::add, event, answers)) {
            entries.push_back(Entry{event, {Listener{listener, 1}}});
        }
        return;
    }
    auto& listeners = entry->listeners;
    const auto found = std::find_if(listeners.begin(), listeners.end(),
                                    [&](const Listener& known) { return known.name == listener; });
    if (found == listeners.end()) {
        listeners.push_back(Listener{listener, 1});
    } else {
        found->count = std::min(found->count + 1, kCountLimit);
    }
}

void RegistryModel::remove(const std::string& event, const std::string& listener, Answers& answers) {
    const auto entry = entryOf(event);
    if (entry == entries.end()) {
        return;
    }
    auto& listeners = entry->listeners;
    const auto found = std::find_if(listeners.begin(), listeners.end(),
                                    [&](const Listener& known) { return known.name == listener; });
    if (found == listeners.end()) {
        return;
    }
    if (--found->count > 0) {
        return;
    }
    listeners.erase(found);
    if (listeners.empty() && callHost(CallKind::remove, event, answers)) {
        entries.erase(entry);
    }
}

void RegistryModel::unregisterAll(Answers& answers) {
    for (const auto& [event, listeners] : snapshot()) {
        callHost(CallKind::remove, event, answers);
    }
    entries.clear();
}

std::vector<std::string> RegistryModel::eventsFor(const std::string& listener) const {
    std::vector<std::string> found;
    for (const auto& [event, listeners] : snapshot()) {
        for (const auto& entry : listeners) {
            if (entry.first == listener) {
                found.push_back(event);
            }
        }
    }
    return found;
}

RegistryModel::Snapshot RegistryModel::snapshot() const {
    Snapshot table;
    for (const Entry& entry : entries) {
        std::vector<std::pair<std::string, std::int64_t>> listeners;
        for (const Listener& listener : entry.listeners) {
            listeners.emplace_back(listener.name, listener.count);
        }
        sortByFirst(listeners);
        table.emplace_back(entry.event, std::move(listeners));
    }
    sortByFirst(table);
    return table;
}

std::vector<std::uint32_t> RegistryModel::installedIDs() const {
    std::vector<std::uint32_t> ids = installed;
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string RegistryModel::describe(const Snapshot& snapshot) {
    std::string out;
    for (const auto& [event, listeners] : snapshot) {
        out.append(Divergence::quoted(event)).append(" {");
        for (const auto& [listener, count] : listeners) {
            out.append(Divergence::quoted(listener)).append("=").append(std::to_string(count)).append(" ");
        }
        out.append("} ");
    }
    return out;
}
