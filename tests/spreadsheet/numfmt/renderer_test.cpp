#include "spreadsheet/numfmt/renderer.h"

#include <gtest/gtest.h>

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

TEST(Renderer, InternsEachCodeOnce)
{
    Renderer renderer(DateSystem::Excel1900);
    EXPECT_EQ(renderer.intern("0.00"), renderer.intern("0.00"));
    EXPECT_NE(renderer.intern("0.00"), renderer.intern("General"));
}

}  // namespace
}  // namespace veltrano::numfmt
