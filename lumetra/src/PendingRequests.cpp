#include "PendingRequests.h"

#include <new>
#include <utility>

struct PendingRequests::Node {
    Request request;
    Node* next;
};

bool PendingRequests::push(Request&& request) noexcept {
    Node* const node = new (std::nothrow) Node{std::move(request), nullptr};
    if (node == nullptr) {
        return false;
    }
    (tail == nullptr ? head : tail->next) = node;
    tail = node;
    return true;
}

std::optional<PendingRequests::Request> PendingRequests::pop() noexcept {
    if (head == nullptr) {
        return std::nullopt;
    }
    Node* const oldest = head;
    head = oldest->next;
    if (head == nullptr) {
        tail = nullptr;
    }
    std::optional<Request> request(std::move(oldest->request));
    delete oldest;
    return request;
}
