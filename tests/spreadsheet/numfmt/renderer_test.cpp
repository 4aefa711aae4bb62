#include "spreadsheet/numfmt/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace veltrano::numfmt {
namespace {

TEST(BuiltinFormatCode, KnowsExcelEnUsCodesAndMissingIds)
{
    EXPECT_EQ(builtinFormatCode(0), "General");
    EXPECT_EQ(builtinFormatCode(14), "m/d/yyyy");
    EXPECT_EQ(builtinFormatCode(22), "m/d/yyyy h:mm");
    EXPECT_EQ(builtinFormatCode(5), R"("$"#,##0_);\("$"#,##0\))");
    EXPECT_EQ(builtinFormatCode(47), "mm:ss.0");
    EXPECT_FALSE(builtinFormatCode(23).has_value());  // East Asian ids have no en-US code
    EXPECT_FALSE(builtinFormatCode(-1).has_value());
}

TEST(BuiltinFormatCode, EveryEnUsIdParsesAsTheKindItNames)
{
    Renderer renderer(DateSystem::Excel1900);
    for (int id = 0; id <= 60; ++id) {
        const auto code = builtinFormatCode(id);
        const bool eastAsian = (id >= 23 && id <= 36) || id >= 50;
        ASSERT_EQ(code.has_value(), !eastAsian) << "id " << id;
        if (!code)
            continue;
        const bool dateOrTime = (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
        EXPECT_EQ(renderer.isDateTime(renderer.intern(*code)), dateOrTime) << "id " << id;
    }
    // Accounting: zero as a dash, text through the fourth section.
    const auto accounting = renderer.intern(*builtinFormatCode(44));
    EXPECT_EQ(renderer.number(accounting, 0), " $-   ");
    EXPECT_EQ(renderer.number(accounting, -1234.5), " $(1,234.50)");
    EXPECT_EQ(renderer.text(accounting, "Total"), " Total ");
}

TEST(Renderer, InternsEachCodeOnce)
{
    Renderer renderer(DateSystem::Excel1900);
    EXPECT_EQ(renderer.intern("0.00"), renderer.intern("0.00"));
    EXPECT_NE(renderer.intern("0.00"), renderer.intern("General"));
}

TEST(Renderer, CodesThatCannotBeParsedRenderAsGeneral)
{
    Renderer renderer(DateSystem::Excel1900);
    for (const char* code : {"\"open quote", "[Red", "[>abc]0", "0;0;0;@;0", "0.00\\", "0_", "0*"}) {
        const auto handle = renderer.intern(code);
        EXPECT_EQ(renderer.number(handle, -1234.5), "-1234.5") << code;
        EXPECT_EQ(renderer.text(handle, "abc"), "abc") << code;
        EXPECT_FALSE(renderer.hasTextSection(handle)) << code;
    }
}

TEST(Renderer, HandleFromElsewhereRendersAsGeneral)
{
    Renderer renderer(DateSystem::Excel1900);
    EXPECT_EQ(renderer.number(12345, 0.5), "0.5");
    EXPECT_EQ(renderer.text(12345, "abc"), "abc");
    EXPECT_FALSE(renderer.isDateTime(12345));
}

TEST(Renderer, NonFiniteNumbersShowAnErrorWhateverTheFormat)
{
    Renderer renderer(DateSystem::Excel1900);
    for (const char* code : {"General", "0.00", "m/d/yyyy", "# ?/?", ";;;"}) {
        const auto handle = renderer.intern(code);
        EXPECT_EQ(renderer.number(handle, std::numeric_limits<double>::quiet_NaN()), "#NUM!") << code;
        EXPECT_EQ(renderer.number(handle, -std::numeric_limits<double>::infinity()), "#NUM!") << code;
    }
    EXPECT_EQ(generalText(std::numeric_limits<double>::infinity()), "#NUM!");
}

// Cases where the cell shows nothing, so it is never sent for translation.
TEST(Renderer, ShowsNothingForHiddenValuesAndUnmatchedConditions)
{
    struct Case {
        const char* code;
        double value;
    };
    const Case cases[] = {
        {";;;", 5},
        {";;;", -5},
        {";;;", 0},
        {"0;;", -5},     // empty negative section
        {"0;-0;", 0},    // empty zero section
        {"[>100]0", 5},  // no section admits the number
        {"[>100]0;[<-100]0", 5},
        {"#", 0},  // # shows no digit for zero
    };
    Renderer renderer(DateSystem::Excel1900);
    for (const auto& c : cases)
        EXPECT_EQ(renderer.number(renderer.intern(c.code), c.value), "") << c.code << " " << c.value;
}

TEST(Renderer, TextGoesThroughTheTextSectionOnly)
{
    struct Case {
        const char* code;
        const char* shown;
        bool hasTextSection;
    };
    const Case cases[] = {
        {"@", "abc", true},
        {"\"Ref: \"@", "Ref: abc", true},
        {"0;0;0;\"x\"@\"y\"", "xabcy", true},
        {"[Red]@", "abc", true},
        {";;;", "", true},  // four sections, the last empty: text hidden
        {"0;0;0;", "", true},
        {"0.00", "abc", false},
        {"General", "abc", false},
        {"0;@", "abc", true},
        {"\"a\";\"b\";\"c\"", "abc", false},  // three sections, none for text
    };
    Renderer renderer(DateSystem::Excel1900);
    for (const auto& c : cases) {
        const auto handle = renderer.intern(c.code);
        EXPECT_EQ(renderer.text(handle, "abc"), c.shown) << c.code;
        EXPECT_EQ(renderer.hasTextSection(handle), c.hasTextSection) << c.code;
    }
}

TEST(Renderer, NumbersThroughATextOnlyCodeShowAsGeneral)
{
    Renderer renderer(DateSystem::Excel1900);
    EXPECT_EQ(renderer.number(renderer.intern("@"), -3.5), "-3.5");
    EXPECT_EQ(renderer.number(renderer.intern("\"x\"@"), 12), "12");
    EXPECT_EQ(renderer.number(renderer.intern(""), -2.5), "-2.5");  // an empty code is General
}

TEST(Renderer, AppendNumberAddsToWhatIsThere)
{
    Renderer renderer(DateSystem::Excel1900);
    std::string out = "x=";
    renderer.appendNumber(renderer.intern("0.0"), 2.25, out);
    EXPECT_EQ(out, "x=2.3");
    // A date outside the range appends nothing, not even a sign.
    Renderer renderer1904(DateSystem::Excel1904);
    renderer1904.appendNumber(renderer1904.intern("m/d/yyyy"), -1e9, out);
    EXPECT_EQ(out, "x=2.3");
}

TEST(BooleanText, IsExcelsUpperCaseWord)
{
    EXPECT_EQ(booleanText(true), "TRUE");
    EXPECT_EQ(booleanText(false), "FALSE");
}

}  // namespace
}  // namespace veltrano::numfmt
