#include "HostCallShape.h"

namespace {

using Argument = HostCallShape::Argument;

const std::vector<HostCallShape>& shapes() {
    static const std::vector<HostCallShape> all = {
        {HostCallKind::fetchSuite, {{"name", Argument::text}, {"version", Argument::version}}, "status", false},
        {HostCallKind::returnSuite, {{"name", Argument::text}, {"version", Argument::version}}, "status", false},
        {HostCallKind::sameString, {{"value", Argument::text}, {"literal", Argument::text}}, "result", true},
        {HostCallKind::lookupEventID, {{"name", Argument::text}}, "status", false},
        {HostCallKind::addNotifier,
         {{"plugin", Argument::plugin},
          {"eventID", Argument::eventID},
          {"notifier", Argument::notifier},
          {"userData", Argument::userData}},
         "status",
         false},
        {HostCallKind::removeNotifier, {{"plugin", Argument::plugin}, {"eventID", Argument::eventID}}, "status", false},
        {HostCallKind::pluginMain, {{"caller", Argument::text}, {"selector", Argument::text}}, "result", false},
        {HostCallKind::notify, {{"eventID", Argument::eventID}, {"notifier", Argument::notifier}}, "", false},
    };
    return all;
}

bool isPluginCall(HostCallKind kind) { return kind != HostCallKind::pluginMain && kind != HostCallKind::notify; }

}  // namespace

const HostCallShape& HostCallShape::of(HostCallKind kind) {
    for (const HostCallShape& shape : shapes()) {
        if (shape.kind == kind) {
            return shape;
        }
    }
    return shapes().front();
}

const HostCallShape* HostCallShape::ofPluginCall(const std::string& name) {
    for (const HostCallShape& shape : shapes()) {
        if (isPluginCall(shape.kind) && name == nameOf(shape.kind)) {
            return &shape;
        }
    }
    return nullptr;
}
