#include "result/result.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrano {
namespace {

struct Why {
    std::string text;
};

using Number = Result<int, Why>;
using Done = Result<void, Why>;

Number parsed(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return Why{"not a number: \"" + text + "\""};
    return std::stoi(text);
}

// Two steps with VELTRANO_TRY: the first failure is the caller's, the rest is not run.
Number sum(const std::string& a, const std::string& b, int& stepsRun)
{
    VELTRANO_TRY(parsed(a));
    ++stepsRun;
    VELTRANO_TRY(parsed(b));
    ++stepsRun;
    return parsed(a).value() + parsed(b).value();
}

TEST(Result, TryReturnsTheFirstFailureAndStopsThere)
{
    struct Case {
        const char* a;
        const char* b;
        bool ok;
        const char* why;
        int stepsRun;
    } cases[] = {
        {"2", "3", true, "", 2},
        {"x", "3", false, "not a number: \"x\"", 0},
        {"2", "", false, "not a number: \"\"", 1},
    };
    for (const Case& c : cases) {
        int stepsRun = 0;
        const Number result = sum(c.a, c.b, stepsRun);
        ASSERT_EQ(result.ok(), c.ok) << c.a << "+" << c.b;
        EXPECT_EQ(stepsRun, c.stepsRun) << c.a << "+" << c.b;
        if (c.ok)
            EXPECT_EQ(result.value(), 5);
        else
            EXPECT_EQ(result.error().text, c.why);
    }
}

TEST(Result, AndThenRunsTheNextStepOnlyOnAValue)
{
    int calls = 0;
    const auto doubled = [&calls](int n) -> Number {
        ++calls;
        return n * 2;
    };
    EXPECT_EQ(parsed("21").andThen(doubled).value(), 42);
    EXPECT_EQ(parsed("?").andThen(doubled).error().text, "not a number: \"?\"");
    EXPECT_EQ(calls, 1);

    const auto check = [&calls]() -> Done {
        ++calls;
        return Why{"checked"};
    };
    EXPECT_EQ(Done().andThen(check).error().text, "checked");
    EXPECT_EQ(Done(Why{"earlier"}).andThen(check).error().text, "earlier");
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace veltrano
