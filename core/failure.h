#pragma once
// What the conversion core gives back: a value, or a failure that says what went wrong and
// where.

#include "core/place.h"

#include <string>
#include <utility>
#include <variant>

namespace veltrano::core {

// An expected failure. message is one line and names the place itself (messageAt).
struct Failure {
    std::string message;
    Place place;
};

// Either a T or a Failure; never both, never neither.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::move(value))
    {}
    Result(Failure failure)
        : m_state(std::move(failure))
    {}

    explicit operator bool() const { return m_state.index() == 0; }

    // Only when the result converts to true.
    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }

    // Only when the result converts to false.
    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

}  // namespace veltrano::core
