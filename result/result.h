#pragma once
// The one way Veltrano's code gives back an expected failure: a value, or an error that says
// what went wrong. Standard C++ only, so that every library, the engine too, can use it.

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace veltrano {

// Either a T or an E; never both, never neither.
template <typename T, typename E>
class [[nodiscard]] Result {
    // With one type for both, a returned value could not say which it is.
    static_assert(!std::is_same_v<T, E>, "a Result's value and error need types of their own");

public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {}
    Result(E error)
        : m_state(std::in_place_index<1>, std::move(error))
    {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }

    // Only when !ok().
    const E& error() const { return std::get<1>(m_state); }

    // next(value()) when ok(), which gives a Result with the same error type; else this error.
    template <typename Next>
    auto andThen(Next&& next) && -> std::invoke_result_t<Next, T&&>
    {
        if (!ok())
            return std::get<1>(std::move(m_state));
        return std::forward<Next>(next)(std::get<0>(std::move(m_state)));
    }

private:
    std::variant<T, E> m_state;
};

// Success with nothing to give back, or an E.
template <typename E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error)
        : m_error(std::move(error))
    {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only when !ok().
    const E& error() const { return *m_error; }

    // next() when ok(), which gives a Result with the same error type; else this error.
    template <typename Next>
    auto andThen(Next&& next) && -> std::invoke_result_t<Next>
    {
        if (!ok())
            return std::move(*m_error);
        return std::forward<Next>(next)();
    }

private:
    std::optional<E> m_error;
};

}  // namespace veltrano

// Gives the caller back the error of a Result that is not ok(); the calling function's own
// Result must take that error type. For steps whose value, if any, the caller does not need.
#define VELTRANO_TRY(expression)                                                                                       \
    do {                                                                                                               \
        auto&& veltranoTried_ = (expression);                                                                          \
        if (!veltranoTried_)                                                                                           \
            return veltranoTried_.error();                                                                             \
    } while (false)
