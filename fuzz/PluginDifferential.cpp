#include "PluginDifferential.h"

#include "Divergence.h"
#include "TranscriptEntry.h"

namespace {

using Value = TranscriptEntry::Value;

// The plug-in's two notifiers by name; any other by its address.
Value notifierName(PluginModel::Notifier notifier, LMNotifyProc pointer = nullptr) {
    switch (notifier) {
    case PluginModel::Notifier::idle:
        return Value::word("idleNotifier");
    case PluginModel::Notifier::event:
        return Value::word("eventNotifier");
    case PluginModel::Notifier::none:
        break;
    }
    return Value::address(TranscriptEntry::addressOf(pointer));
}

std::string tableLine(std::uint32_t eventID, const Value& notifier) {
    return std::to_string(eventID) + " " + notifier.text() + "; ";
}

// How the host words a removal of an id with nothing of it installed.
const char* const kRemovalOfNothing = "for which no notifier of this plug-in is installed";

bool usesNotifier(const HostCall& call) {
    return call.kind == HostCallKind::addNotifier || call.kind == HostCallKind::notify;
}

}  // namespace

PluginDifferential::PluginDifferential(const std::string& pluginPath)
    : real(pluginPath), expected(real.host().idleEventID()) {
    real.entry();
}

void PluginDifferential::apply(const PluginAction& action) {
    ++steps;
    lastAction = action.describe();
    real.apply(action);
    expected.apply(action);
    compare();
}

void PluginDifferential::finish() {
    if (expected.holdsSuite()) {
        apply(PluginAction::of(PluginAction::Kind::shutdown));
    }
    Divergence::check(steps, "notifiers left after Shutdown", describeModelTable(),
                      describeProductTable());
}

void PluginDifferential::compare() {
    const std::string where = "after \"" + lastAction + "\": ";
    std::string expectedCalls;
    for (std::size_t i = comparedCalls; i < expected.hostCalls().size(); ++i) {
        const PluginModel::ExpectedCall& call = expected.hostCalls()[i];
        const TranscriptEntry line = TranscriptEntry::fromHostCall(call.call, hostsPlugin(), notifierName(call.notifier));
        expectedCalls += line.text() + "; ";
    }
    std::string actualCalls;
    for (std::size_t i = comparedCalls; i < real.host().calls().size(); ++i) {
        actualCalls += describeProductCall(real.host().calls()[i], i) + "; ";
    }
    comparedCalls = expected.hostCalls().size();
    Divergence::check(steps, (where + "host calls").c_str(), expectedCalls, actualCalls);

    std::string expectedRecords;
    for (std::size_t i = comparedRecords; i < expected.sent().size(); ++i) {
        expectedRecords += expected.sent()[i].describe() + "; ";
    }
    std::string actualRecords;
    for (std::size_t i = comparedRecords; i < real.sent().size(); ++i) {
        actualRecords += real.sent()[i].describe() + "; ";
    }
    comparedRecords = expected.sent().size();
    Divergence::check(steps, (where + "bus events").c_str(), expectedRecords, actualRecords);

    Divergence::check(steps, (where + "notifier table").c_str(), describeModelTable(),
                      describeProductTable());
    std::string expectedViolations;
    for (int i = 0; i < expected.removalsOfNothing(); ++i) {
        expectedViolations += "removal of nothing; ";
    }
    Divergence::check(steps, (where + "host contract").c_str(), expectedViolations,
                      describeProductViolations());
}

std::string PluginDifferential::describeProductViolations() {
    std::string text;
    for (const std::string& violation : real.host().violations()) {
        const bool removalOfNothing = violation.find(kRemovalOfNothing) != std::string::npos;
        text += (removalOfNothing ? std::string("removal of nothing") : Divergence::quoted(violation)) + "; ";
    }
    return text;
}

// The plug-in's two notifiers are internal functions: each is learnt from its
// first installation and must stay the same, and distinct, from then on.
std::string PluginDifferential::describeProductCall(const HostCall& call, std::size_t index) {
    const PluginModel::Notifier expectedKind =
        index < expected.hostCalls().size() ? expected.hostCalls()[index].notifier
                                            : PluginModel::Notifier::none;
    const Value notifier =
        usesNotifier(call) ? notifierName(notifierOf(call.notifier, expectedKind), call.notifier) : Value::null();
    const Value plugin = Value::pluginReference(call.plugin, real.host().pluginReference());
    return TranscriptEntry::fromHostCall(call, plugin, notifier).text();
}

// What the model's calls carry as the plug-in reference: the host's own.
Value PluginDifferential::hostsPlugin() {
    KXPlugin* const own = real.host().pluginReference();
    return Value::pluginReference(own, own);
}

PluginModel::Notifier PluginDifferential::notifierOf(LMNotifyProc notifier,
                                                     PluginModel::Notifier expectedKind) {
    for (const auto& [kind, known] : notifiers) {
        if (known == notifier) {
            return kind;
        }
    }
    if (expectedKind == PluginModel::Notifier::none || notifiers.count(expectedKind) != 0) {
        return PluginModel::Notifier::none;
    }
    notifiers[expectedKind] = notifier;
    return expectedKind;
}

std::string PluginDifferential::describeProductTable() {
    std::string text;
    for (const NotifierInstallation& installation : real.host().installedNotifiers()) {
        const PluginModel::Notifier kind = notifierOf(installation.notifier, PluginModel::Notifier::none);
        text += tableLine(installation.eventID, notifierName(kind, installation.notifier));
    }
    return text;
}

std::string PluginDifferential::describeModelTable() const {
    std::string text;
    for (const PluginModel::Installation& installation : expected.installed()) {
        text += tableLine(installation.eventID, notifierName(installation.notifier));
    }
    return text;
}
