// Requests that reached the plug-in while it was inside a registry operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "KXCoreSuite.h"

// The host and the bus may call back into the plug-in from inside their own
// calls. Such a request waits here, in arrival order, and the outermost call
// applies it once the operation under way has finished, so the table never
// changes under an operation's feet.
//
// Only raw pointers inside: the queue is constant-initialised and has nothing
// to do at load or unload; it is always empty when the outermost call returns.
class PendingRequests {
public:
    struct Request {
        enum class Kind { addListener, removeListener, listEvents, shutdown };

        Kind kind = Kind::addListener;
        // addListener, removeListener.
        std::string event;
        // addListener, removeListener, listEvents.
        std::string listener;
        // shutdown: the returnSuite of the core suite that asked for it, since
        // the message itself is gone by the time the request is applied.
        decltype(KXCoreSuite::returnSuite) returnSuite = nullptr;
    };

    constexpr PendingRequests() = default;
    PendingRequests(const PendingRequests&) = delete;
    PendingRequests& operator=(const PendingRequests&) = delete;

    // False when there is no memory for it: the request is dropped.
    bool push(Request&& request) noexcept;
    // The oldest request, or null when none waits.
    std::optional<Request> pop() noexcept;

private:
    struct Node;

    Node* head = nullptr;
    Node* tail = nullptr;
};
