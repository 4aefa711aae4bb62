#pragma once
// A value, or a one-line description of why there is none.

#include <string>
#include <utility>
#include <variant>

namespace veltrano::pagehost {

// Why an operation gave no value; the message is one line and says what and where.
struct Failure {
    std::string message;
};

template <typename T>
class Outcome {
public:
    Outcome(T value)
        : m_state(std::move(value))
    {}
    Outcome(Failure failure)
        : m_state(std::move(failure))
    {}

    explicit operator bool() const { return std::holds_alternative<T>(m_state); }

    // The value; only valid when the outcome converts to true.
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }

    // Why there is no value; only valid when the outcome converts to false.
    const std::string& error() const { return std::get<Failure>(m_state).message; }

private:
    std::variant<T, Failure> m_state;
};

}  // namespace veltrano::pagehost
