#include "spreadsheet/xlsx/formula_refs.h"

#include <gtest/gtest.h>

namespace veltrano::spreadsheet {
namespace {

struct Shift {
    std::string formula;
    int rows;
    int columns;
    std::string expected;
};

void PrintTo(const Shift& c, std::ostream* out)
{
    *out << c.formula;
}

class ShiftFormula : public ::testing::TestWithParam<Shift> {};

TEST_P(ShiftFormula, MovesRelativePartsOnly)
{
    const auto& c = GetParam();
    EXPECT_EQ(shiftFormula(c.formula, c.rows, c.columns), c.expected) << c.formula;
}

INSTANTIATE_TEST_SUITE_P(Cases, ShiftFormula,
                         ::testing::Values(Shift{"A1+B2", 1, 0, "A2+B3"}, Shift{"$A$1+$A1+A$1", 2, 3, "$A$1+$A3+D$1"},
                                           Shift{"SUM(A1:B2)", 0, 1, "SUM(B1:C2)"},
                                           Shift{"SUM(A:A)+SUM(1:2)", 1, 1, "SUM(B:B)+SUM(2:3)"},
                                           Shift{"Sheet2!A1+'My Sheet'!B1", 1, 0, "Sheet2!A2+'My Sheet'!B2"},
                                           Shift{"IF(A2>0,\"A1 yes\",\"no\")", 1, 0, "IF(A3>0,\"A1 yes\",\"no\")"},
                                           Shift{"SUM(Table1[Amount])+[@B1]", 1, 0, "SUM(Table1[Amount])+[@B1]"},
                                           Shift{"LOG10(A1)+TRUE", 1, 0, "LOG10(A2)+TRUE"},
                                           Shift{"A1*1.5E+3", 1, 0, "A2*1.5E+3"}, Shift{"A1+#REF!", 1, 0, "A2+#REF!"},
                                           Shift{"A1", -1, 0, "#REF!"}, Shift{"SUM(A1:A5)", -1, 0, "SUM(#REF!)"},
                                           Shift{"XFD1", 0, 1, "#REF!"}, Shift{"MyName+A1", 0, 1, "MyName+B1"}));

TEST(BracketNames, CollectsStructuredReferenceColumnsCaseFolded)
{
    std::set<std::string> names;
    collectBracketNames("SUM(Table1[Amount])+Table1[[#This Row],[Unit Price]]+[@Qty]+T['#Hash]", names);
    EXPECT_EQ(names, (std::set<std::string>{"amount", "#this row", "unit price", "qty", "#hash"}));
}

}  // namespace
}  // namespace veltrano::spreadsheet
