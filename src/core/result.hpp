#pragma once
// A value or an error: how core operations report failure without exceptions.

#include <cassert>
#include <utility>
#include <variant>

namespace kestro {

template <class E>
struct Failure {
    E error;
};

template <class E>
Failure<std::decay_t<E>> fail(E&& error) {
    return {std::forward<E>(error)};
}

// Dropping one unread is a compile error: a failure is either handled or, where nothing can be
// done about it, discarded with (void) and a comment saying why.
template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template <class F>
    Result(Failure<F> failure) : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() { assert(ok()); return std::get<0>(state_); }
    const T& value() const { assert(ok()); return std::get<0>(state_); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }

    const E& error() const { assert(!ok()); return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

// For operations that only succeed or fail.
struct Done {};

}  // namespace kestro
