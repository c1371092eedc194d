// Controls of the stand-in bus that a real bus does not have: observers,
// scripted subscription answers, subscriber counts and a reset.
#pragma once

#include <cstdint>

#include "CflxEvent.h"
#include "Conflux.h"

// Statuses the stand-in answers on its own. A scripted status is whatever the
// script chose.
constexpr std::int32_t kConfluxStatusInvalidArgument = -1;
// A subscriber or the dispatch observer threw, or a copy of the record could
// not be made; every other subscriber was still called.
constexpr std::int32_t kConfluxStatusDeliveryFailed = -2;
constexpr std::int32_t kConfluxStatusOutOfMemory = -3;
// Dispatches nested deeper than kConfluxMaxNestedDispatches are refused, so a
// callback that answers an event with another one cannot overflow the stack.
constexpr std::int32_t kConfluxStatusNestedTooDeep = -4;
constexpr std::int32_t kConfluxStatusInternalError = -5;
// What the subscription observer is told of an AddEventListener call that
// was staged to throw.
constexpr std::int32_t kConfluxStatusThrew = -6;

constexpr int kConfluxMaxNestedDispatches = 64;

extern "C" {

// Sees every DispatchEvent call once, before any delivery, with the record
// exactly as the caller passed it: it may be null or hold null texts.
typedef void (*ConfluxDispatchObserver)(const cflx::event::Event* event, void* context);

// Sees every AddEventListener call with its arguments as passed and the
// status the call answers. Should it throw, the exception is dropped: the
// status still tells whether the subscription is in place.
typedef void (*ConfluxSubscriptionObserver)(const char* eventType, EventBusCallback callback,
                                            void* userData, std::int32_t status, void* context);

// One observer of each kind at a time; null removes it.
CONFLUX_API void ConfluxControlObserveDispatches(ConfluxDispatchObserver observer, void* context);
CONFLUX_API void ConfluxControlObserveSubscriptions(ConfluxSubscriptionObserver observer,
                                                    void* context);

// The next count AddEventListener calls for eventType answer status; a status
// of 0 lets that call subscribe as usual. Scripts for one type queue up in
// the order given. Answers kConfluxStatusInvalidArgument for a null type or a
// count below 1, 0 otherwise.
CONFLUX_API std::int32_t ConfluxControlScriptNextSubscriptions(const char* eventType,
                                                               std::int32_t count,
                                                               std::int32_t status);

// AddEventListener call number callNumber since the last reset (the first is
// 1, every call counts, refused ones too) answers status, whatever its type;
// it takes precedence over the type's script, which that call leaves alone.
// Answers kConfluxStatusInvalidArgument for a number already reached.
CONFLUX_API std::int32_t ConfluxControlScriptSubscriptionCall(std::int64_t callNumber,
                                                              std::int32_t status);

// The next count AddEventListener calls for eventType (subscribe true) or
// DispatchEvent calls of that type (subscribe false) throw std::bad_alloc out
// of the bus, as a real bus does when it cannot copy what it keeps: nothing
// is subscribed or delivered. The observers still see the call first.
// Answers kConfluxStatusInvalidArgument for a null type or a count below 1.
CONFLUX_API std::int32_t ConfluxControlThrowFromNext(const char* eventType, std::int32_t count,
                                                     bool subscribe);

// During the next DispatchEvent of eventType, once its subscribers have had
// it, the bus dispatches request as an extension would, before that
// DispatchEvent returns: the subscribers of the request's type are called
// back from inside the first delivery. Every request staged for a type goes
// out during that one dispatch, in the order staged.
// The bus keeps the pointer, so the dispatch observer sees exactly that
// record; it must stay valid until it is dispatched or the bus is reset.
// Answers kConfluxStatusInvalidArgument for a null type or request.
CONFLUX_API std::int32_t ConfluxControlDispatchDuringNext(const char* eventType,
                                                          const cflx::event::Event* request);

// AddEventListener calls since the last reset.
CONFLUX_API std::int64_t ConfluxControlSubscriptionCallCount(void);

// Subscriptions in place for eventType, a callback subscribed twice counted
// twice; 0 for a null type.
CONFLUX_API std::int32_t ConfluxControlSubscriberCount(const char* eventType);

// Forgets every subscription, script, observer and the call count. A dispatch
// under way delivers nothing more, so a plug-in may be unloaded right after.
CONFLUX_API void ConfluxControlReset(void);

}  // extern "C"
