#include "EntryPoint.h"

#include "Host.h"
#include "LMEventCatalogue.h"

namespace {

// Long enough that every copy of them allocates.
const std::string kFirst = "com.example.extensions.first";
const std::string kSecond = "com.example.extensions.second";
const std::string kLongTwelve = "000000000000000000000012";

PluginAction startup() { return PluginAction::of(PluginAction::Kind::startup); }
PluginAction idle() { return PluginAction::fire(Host::kDefaultIdleEventID); }
PluginAction add(const std::string& sender, const std::string& event) {
    return PluginAction::request(LMEventCatalogue::kAddEventListener, sender, event);
}
PluginAction remove(const std::string& sender, const std::string& event) {
    return PluginAction::request(LMEventCatalogue::kRemoveEventListener, sender, event);
}
PluginAction list(const std::string& sender) {
    return PluginAction::request(LMEventCatalogue::kListEventsRequest, sender, "");
}

std::vector<PluginAction> hookedWith(std::vector<PluginAction> requests) {
    std::vector<PluginAction> actions{startup(), idle()};
    actions.insert(actions.end(), requests.begin(), requests.end());
    return actions;
}

}  // namespace

const std::vector<EntryPoint>& EntryPoint::all() {
    static const std::vector<EntryPoint> entries{
        {"startup", {}, startup(), {}, true},
        {"idle_hook_up", {startup()}, idle(), {}, false},
        {"add_first_listener", hookedWith({}), add(kFirst, kLongTwelve), {kFirst}, true},
        {"add_second_listener", hookedWith({add(kFirst, kLongTwelve)}), add(kSecond, kLongTwelve),
         {kFirst, kSecond}, true},
        {"add_again", hookedWith({add(kFirst, kLongTwelve)}), add(kFirst, kLongTwelve), {kFirst}, true},
        {"remove_last_listener", hookedWith({add(kFirst, kLongTwelve)}), remove(kFirst, kLongTwelve),
         {kFirst}, true},
        {"remove_one_of_two", hookedWith({add(kFirst, kLongTwelve), add(kSecond, kLongTwelve)}),
         remove(kFirst, kLongTwelve), {kFirst, kSecond}, true},
        {"ping", hookedWith({}), PluginAction::request(LMEventCatalogue::kPingRequest, kFirst, ""), {},
         false},
        {"list", hookedWith({add(kFirst, kLongTwelve), add(kFirst, "7")}), list(kFirst), {kFirst}, true},
        {"notification", hookedWith({add(kFirst, kLongTwelve)}), PluginAction::fire(12), {kFirst}, false},
        {"shutdown", hookedWith({add(kFirst, kLongTwelve), add(kSecond, "7"), add(kSecond, "07")}),
         PluginAction::of(PluginAction::Kind::shutdown), {kFirst, kSecond}, false},
        {"shutdown_before_hook_up", {startup()}, PluginAction::of(PluginAction::Kind::shutdown), {}, false},
    };
    return entries;
}
