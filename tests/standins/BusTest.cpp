// The stand-in bus through its C functions, as the plug-in and tools use it.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Conflux.h"
#include "ConfluxControl.h"

namespace {

using cflx::event::Event;

// What one subscriber saw. A subscriber is its userData: a name, the shared
// list it writes to and something to do while it is called.
struct Delivery {
    std::string subscriber;
    std::string eventType;
};

struct Subscriber {
    std::string name;
    std::vector<Delivery>* deliveries;
    std::function<void(const Event&)> whileCalled;
};

void recordDelivery(const Event* event, void* userData) {
    auto* subscriber = static_cast<Subscriber*>(userData);
    subscriber->deliveries->push_back({subscriber->name, event->eventType});
    if (subscriber->whileCalled) {
        subscriber->whileCalled(*event);
    }
}

Event eventOf(const char* type, const char* payload = "") {
    return Event{type, 0, "TEST", "test.extension", payload};
}

std::int32_t dispatch(const char* type) {
    const Event event = eventOf(type);
    return DispatchEvent(&event);
}

class BusTest : public ::testing::Test {
protected:
    void SetUp() override { ConfluxControlReset(); }
    void TearDown() override { ConfluxControlReset(); }

    Subscriber& subscriber(const std::string& name) {
        subscribers.push_back(Subscriber{name, &deliveries, nullptr});
        return subscribers.back();
    }
    std::int32_t subscribe(const char* type, Subscriber& who) {
        return AddEventListener(type, recordDelivery, &who);
    }
    std::vector<std::string> deliveredTo() const {
        std::vector<std::string> names;
        for (const Delivery& delivery : deliveries) {
            names.push_back(delivery.subscriber + ":" + delivery.eventType);
        }
        return names;
    }

    std::deque<Subscriber> subscribers;
    std::vector<Delivery> deliveries;
};

using Names = std::vector<std::string>;

TEST_F(BusTest, DeliversToSubscribersOfTheTypeInSubscriptionOrderOncePerSubscription) {
    Subscriber& a = subscriber("a");
    Subscriber& b = subscriber("b");
    Subscriber& c = subscriber("c");
    ASSERT_EQ(subscribe("x", a), 0);
    ASSERT_EQ(subscribe("y", b), 0);
    ASSERT_EQ(subscribe("x", c), 0);
    ASSERT_EQ(subscribe("x", a), 0);

    EXPECT_EQ(dispatch("x"), 0);
    EXPECT_EQ(dispatch("y"), 0);
    EXPECT_EQ(dispatch("nobody.listens"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"a:x", "c:x", "a:x", "b:y"}));
    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 3);
    EXPECT_EQ(ConfluxControlSubscriberCount("X"), 0);
}

TEST_F(BusTest, SubscriberGetsACopyThatKeepsEveryTextAndEveryNull) {
    const Event sent{"x", 7, "APP", nullptr, ""};
    Event seen{};
    std::string appSeen;
    Subscriber& a = subscriber("a");
    a.whileCalled = [&](const Event& event) {
        seen = event;
        appSeen = event.senderApp;
        EXPECT_STREQ(event.payload, "");
    };
    ASSERT_EQ(subscribe("x", a), 0);

    ASSERT_EQ(DispatchEvent(&sent), 0);

    EXPECT_NE(seen.eventType, sent.eventType);
    EXPECT_NE(seen.senderApp, sent.senderApp);
    EXPECT_NE(seen.payload, sent.payload);
    EXPECT_EQ(appSeen, "APP");
    EXPECT_EQ(seen.deliveryMode, 7);
    EXPECT_EQ(seen.senderExtension, nullptr);
}

TEST_F(BusTest, KeepsItsOwnCopyOfTheSubscribedType) {
    Subscriber& a = subscriber("a");
    std::string type = "x";
    ASSERT_EQ(subscribe(type.c_str(), a), 0);
    type = "overwritten by the caller";

    EXPECT_EQ(dispatch("x"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"a:x"}));
}

TEST_F(BusTest, NestedDispatchIsDeliveredInsideTheOuterDelivery) {
    Subscriber& outer = subscriber("outer");
    Subscriber& inner = subscriber("inner");
    Subscriber& last = subscriber("last");
    outer.whileCalled = [](const Event&) { EXPECT_EQ(dispatch("y"), 0); };
    ASSERT_EQ(subscribe("x", outer), 0);
    ASSERT_EQ(subscribe("y", inner), 0);
    ASSERT_EQ(subscribe("x", last), 0);

    EXPECT_EQ(dispatch("x"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"outer:x", "inner:y", "last:x"}));
}

TEST_F(BusTest, SubscriptionMadeDuringADeliveryWaitsForTheNextDispatch) {
    Subscriber& late = subscriber("late");
    Subscriber& early = subscriber("early");
    early.whileCalled = [&](const Event&) { EXPECT_EQ(subscribe("x", late), 0); };
    ASSERT_EQ(subscribe("x", early), 0);

    EXPECT_EQ(dispatch("x"), 0);
    early.whileCalled = nullptr;
    EXPECT_EQ(dispatch("x"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"early:x", "early:x", "late:x"}));
}

TEST_F(BusTest, ResetDuringADeliveryStopsTheRestOfIt) {
    Subscriber& first = subscriber("first");
    Subscriber& second = subscriber("second");
    first.whileCalled = [](const Event&) { ConfluxControlReset(); };
    ASSERT_EQ(subscribe("x", first), 0);
    ASSERT_EQ(subscribe("x", second), 0);

    EXPECT_EQ(dispatch("x"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"first:x"}));
}

TEST_F(BusTest, DispatchLoopIsCutAtTheNestingLimit) {
    Subscriber& echo = subscriber("echo");
    std::vector<std::int32_t> innerStatuses;
    echo.whileCalled = [&](const Event&) { innerStatuses.push_back(dispatch("x")); };
    ASSERT_EQ(subscribe("x", echo), 0);

    EXPECT_EQ(dispatch("x"), 0);

    EXPECT_EQ(deliveries.size(), static_cast<std::size_t>(kConfluxMaxNestedDispatches));
    ASSERT_FALSE(innerStatuses.empty());
    EXPECT_EQ(innerStatuses.front(), kConfluxStatusNestedTooDeep);
}

TEST_F(BusTest, NullArgumentsAreRefusedAndChangeNothing) {
    Subscriber& a = subscriber("a");
    const Event untyped = eventOf(nullptr);

    EXPECT_EQ(AddEventListener(nullptr, recordDelivery, &a), kConfluxStatusInvalidArgument);
    EXPECT_EQ(AddEventListener("x", nullptr, &a), kConfluxStatusInvalidArgument);
    EXPECT_EQ(DispatchEvent(nullptr), kConfluxStatusInvalidArgument);
    EXPECT_EQ(DispatchEvent(&untyped), kConfluxStatusInvalidArgument);

    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 0);
    EXPECT_EQ(ConfluxControlSubscriberCount(nullptr), 0);
    EXPECT_EQ(ConfluxControlSubscriptionCallCount(), 2);
}

TEST_F(BusTest, ThrowingSubscriberFailsTheDispatchButNotTheOthers) {
    Subscriber& thrower = subscriber("thrower");
    Subscriber& next = subscriber("next");
    thrower.whileCalled = [](const Event&) { throw std::runtime_error("subscriber failed"); };
    ASSERT_EQ(subscribe("x", thrower), 0);
    ASSERT_EQ(subscribe("x", next), 0);

    EXPECT_EQ(dispatch("x"), kConfluxStatusDeliveryFailed);

    EXPECT_EQ(deliveredTo(), (Names{"thrower:x", "next:x"}));
}

TEST_F(BusTest, ScriptedStatusesForATypeAnswerItsNextCallsInOrder) {
    Subscriber& a = subscriber("a");
    ASSERT_EQ(ConfluxControlScriptNextSubscriptions("x", 2, 7), 0);
    ASSERT_EQ(ConfluxControlScriptNextSubscriptions("x", 1, 0), 0);
    ASSERT_EQ(ConfluxControlScriptNextSubscriptions("x", 1, -9), 0);

    const std::vector<std::int32_t> answers{subscribe("y", a), subscribe("x", a), subscribe("x", a),
                                            subscribe("x", a), subscribe("x", a), subscribe("x", a)};

    EXPECT_EQ(answers, (std::vector<std::int32_t>{0, 7, 7, 0, -9, 0}));
    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 2);
    EXPECT_EQ(ConfluxControlSubscriberCount("y"), 1);
}

TEST_F(BusTest, ScriptedCallNumberWinsOverTheTypeScriptAndLeavesIt) {
    Subscriber& a = subscriber("a");
    ASSERT_EQ(ConfluxControlScriptNextSubscriptions("x", 1, 5), 0);
    ASSERT_EQ(ConfluxControlScriptSubscriptionCall(2, 9), 0);

    const std::vector<std::int32_t> answers{subscribe("y", a), subscribe("x", a), subscribe("x", a),
                                            subscribe("x", a)};

    EXPECT_EQ(answers, (std::vector<std::int32_t>{0, 9, 5, 0}));
    EXPECT_EQ(ConfluxControlSubscriptionCallCount(), 4);
}

TEST_F(BusTest, ScriptsThatCouldNeverApplyAreRefused) {
    Subscriber& a = subscriber("a");
    ASSERT_EQ(subscribe("x", a), 0);

    EXPECT_EQ(ConfluxControlScriptSubscriptionCall(1, 5), kConfluxStatusInvalidArgument);
    EXPECT_EQ(ConfluxControlScriptSubscriptionCall(0, 5), kConfluxStatusInvalidArgument);
    EXPECT_EQ(ConfluxControlScriptNextSubscriptions(nullptr, 1, 5), kConfluxStatusInvalidArgument);
    EXPECT_EQ(ConfluxControlScriptNextSubscriptions("x", 0, 5), kConfluxStatusInvalidArgument);
    EXPECT_EQ(subscribe("x", a), 0);
}

struct SeenSubscription {
    std::string eventType;
    EventBusCallback callback;
    void* userData;
    std::int32_t status;
};

void recordSubscription(const char* eventType, EventBusCallback callback, void* userData,
                        std::int32_t status, void* context) {
    static_cast<std::vector<SeenSubscription>*>(context)->push_back(
        {eventType == nullptr ? "(null)" : eventType, callback, userData, status});
}

TEST_F(BusTest, SubscriptionObserverSeesEveryAttemptWithItsStatus) {
    std::vector<SeenSubscription> seen;
    ConfluxControlObserveSubscriptions(recordSubscription, &seen);
    Subscriber& a = subscriber("a");
    ASSERT_EQ(ConfluxControlScriptNextSubscriptions("x", 1, 3), 0);

    subscribe("x", a);
    subscribe("x", a);
    AddEventListener(nullptr, recordDelivery, nullptr);

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].eventType, "x");
    EXPECT_EQ(seen[0].status, 3);
    EXPECT_EQ(seen[1].callback, &recordDelivery);
    EXPECT_EQ(seen[1].userData, &a);
    EXPECT_EQ(seen[1].status, 0);
    EXPECT_EQ(seen[2].eventType, "(null)");
    EXPECT_EQ(seen[2].status, kConfluxStatusInvalidArgument);
}

void throwOnSubscription(const char*, EventBusCallback, void*, std::int32_t, void*) {
    throw std::runtime_error("observer failed");
}

TEST_F(BusTest, ThrowingSubscriptionObserverDoesNotUndoTheSubscription) {
    ConfluxControlObserveSubscriptions(throwOnSubscription, nullptr);

    EXPECT_EQ(subscribe("x", subscriber("a")), 0);

    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 1);
}

struct SeenDispatch {
    const Event* record;
    std::size_t deliveriesBefore;
};

struct DispatchWatch {
    std::vector<SeenDispatch> seen;
    const std::vector<Delivery>* deliveries;
};

void recordDispatch(const Event* event, void* context) {
    auto* watch = static_cast<DispatchWatch*>(context);
    watch->seen.push_back({event, watch->deliveries->size()});
}

TEST_F(BusTest, DispatchObserverSeesEachCallOnceBeforeDeliveryWithTheRecordAsSent) {
    DispatchWatch watch{{}, &deliveries};
    ConfluxControlObserveDispatches(recordDispatch, &watch);
    ASSERT_EQ(subscribe("x", subscriber("a")), 0);
    const Event sent = eventOf("x");
    const Event unheard = eventOf("nobody.listens");

    DispatchEvent(&sent);
    DispatchEvent(&unheard);
    DispatchEvent(nullptr);

    ASSERT_EQ(watch.seen.size(), 3u);
    EXPECT_EQ(watch.seen[0].record, &sent);
    EXPECT_EQ(watch.seen[0].deliveriesBefore, 0u);
    EXPECT_EQ(watch.seen[1].record, &unheard);
    EXPECT_EQ(watch.seen[2].record, nullptr);
}

void throwOnDispatch(const Event*, void*) { throw std::runtime_error("observer failed"); }

TEST_F(BusTest, ThrowingDispatchObserverFailsTheDispatchAfterDelivery) {
    ConfluxControlObserveDispatches(throwOnDispatch, nullptr);
    ASSERT_EQ(subscribe("x", subscriber("a")), 0);

    EXPECT_EQ(dispatch("x"), kConfluxStatusDeliveryFailed);

    EXPECT_EQ(deliveredTo(), (Names{"a:x"}));
}

TEST_F(BusTest, ResetForgetsSubscriptionsScriptsObserversAndTheCallCount) {
    std::vector<SeenSubscription> seen;
    DispatchWatch watch{{}, &deliveries};
    Subscriber& a = subscriber("a");
    ASSERT_EQ(subscribe("x", a), 0);
    ConfluxControlScriptNextSubscriptions("x", 1, 5);
    ConfluxControlScriptSubscriptionCall(3, 5);
    ConfluxControlObserveSubscriptions(recordSubscription, &seen);
    ConfluxControlObserveDispatches(recordDispatch, &watch);

    ConfluxControlReset();

    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 0);
    EXPECT_EQ(ConfluxControlSubscriptionCallCount(), 0);
    EXPECT_EQ(subscribe("x", a), 0);
    EXPECT_EQ(subscribe("x", a), 0);
    EXPECT_EQ(subscribe("x", a), 0);
    EXPECT_EQ(dispatch("x"), 0);
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(watch.seen.empty());
}

TEST_F(BusTest, StagedThrowsLeaveTheBusAfterTheObserverSawTheCallWithNothingDone) {
    std::vector<SeenSubscription> seen;
    DispatchWatch watch{{}, &deliveries};
    ConfluxControlObserveSubscriptions(recordSubscription, &seen);
    ConfluxControlObserveDispatches(recordDispatch, &watch);
    Subscriber& a = subscriber("a");
    ASSERT_EQ(subscribe("x", a), 0);
    ASSERT_EQ(ConfluxControlThrowFromNext("x", 1, true), 0);
    ASSERT_EQ(ConfluxControlThrowFromNext("x", 1, false), 0);

    EXPECT_THROW(subscribe("x", a), std::bad_alloc);
    EXPECT_THROW(dispatch("x"), std::bad_alloc);

    EXPECT_EQ(ConfluxControlSubscriberCount("x"), 1);
    EXPECT_TRUE(deliveredTo().empty());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].status, kConfluxStatusThrew);
    EXPECT_EQ(watch.seen.size(), 1u);
    // Each staged throw is used up by one call.
    EXPECT_EQ(subscribe("x", a), 0);
    EXPECT_EQ(dispatch("x"), 0);
    EXPECT_EQ(deliveredTo(), (Names{"a:x", "a:x"}));
    EXPECT_EQ(ConfluxControlThrowFromNext(nullptr, 1, true), kConfluxStatusInvalidArgument);
    EXPECT_EQ(ConfluxControlThrowFromNext("x", 0, false), kConfluxStatusInvalidArgument);
}

TEST_F(BusTest, StagedRequestsGoOutInOrderFromInsideTheNextDispatchOfTheirTrigger) {
    DispatchWatch watch{{}, &deliveries};
    ConfluxControlObserveDispatches(recordDispatch, &watch);
    Subscriber& a = subscriber("a");
    Subscriber& b = subscriber("b");
    ASSERT_EQ(subscribe("trigger", a), 0);
    ASSERT_EQ(subscribe("request", b), 0);
    bool insideTrigger = false;
    std::vector<bool> requestsInsideTrigger;
    a.whileCalled = [&](const Event&) { insideTrigger = true; };
    b.whileCalled = [&](const Event&) { requestsInsideTrigger.push_back(insideTrigger); };
    const Event first = eventOf("request", "1");
    const Event second = eventOf("request", "2");
    ASSERT_EQ(ConfluxControlDispatchDuringNext("trigger", &first), 0);
    ASSERT_EQ(ConfluxControlDispatchDuringNext("trigger", &second), 0);

    EXPECT_EQ(dispatch("trigger"), 0);
    insideTrigger = false;
    EXPECT_EQ(dispatch("trigger"), 0);

    EXPECT_EQ(deliveredTo(), (Names{"a:trigger", "b:request", "b:request", "a:trigger"}));
    EXPECT_EQ(requestsInsideTrigger, (std::vector<bool>{true, true}));
    ASSERT_EQ(watch.seen.size(), 4u);
    EXPECT_EQ(watch.seen[1].record, &first);
    EXPECT_EQ(watch.seen[2].record, &second);
    EXPECT_EQ(ConfluxControlDispatchDuringNext("trigger", nullptr), kConfluxStatusInvalidArgument);
}

TEST_F(BusTest, ResetDropsStagedThrowsAndRequests) {
    Subscriber& a = subscriber("a");
    const Event request = eventOf("request");
    ConfluxControlThrowFromNext("x", 1, true);
    ConfluxControlThrowFromNext("x", 1, false);
    ConfluxControlDispatchDuringNext("x", &request);

    ConfluxControlReset();

    ASSERT_EQ(subscribe("x", a), 0);
    ASSERT_EQ(subscribe("request", a), 0);
    EXPECT_EQ(dispatch("x"), 0);
    EXPECT_EQ(deliveredTo(), (Names{"a:x"}));
}

}  // namespace
