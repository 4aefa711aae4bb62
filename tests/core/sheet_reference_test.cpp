// The one reader of cell references: what people type in the workbook window, what
// veltrano-batch's --scope takes, and the references shown back.

#include "core/scope.h"
#include "core/sheet_reference.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::core;
using veltrano::spreadsheet::CellRange;
using veltrano::spreadsheet::kMaxColumns;
using veltrano::spreadsheet::kMaxRows;

TEST(Reference, ParsesWhatPeopleTypeAndShowsItBack)
{
    const struct {
        const char* typed;
        const char* sheet;
        CellRange range;
        const char* shown;  // qualifiedAddress of the result; "" when typed is not a reference
    } cases[] = {
        {"B2:C3", "", {2, 2, 3, 3}, "X!$B$2:$C$3"},
        {"Sheet1!B2", "Sheet1", {2, 2, 2, 2}, "Sheet1!$B$2"},
        {"'My ''best'' sheet'!A1:A2", "My 'best' sheet", {1, 1, 2, 1}, "'My ''best'' sheet'!$A$1:$A$2"},
        {"A:A", "", {1, 1, kMaxRows, 1}, "X!$A:$A"},
        {"$C:$B", "", {1, 2, kMaxRows, 3}, "X!$B:$C"},
        {"2:3", "", {2, 1, 3, kMaxColumns}, "X!$2:$3"},
        {"B2:C3,E5:F6", "", {2, 2, 3, 3}, "X!$B$2:$C$3"},
        {"XFD1048576", "", {kMaxRows, kMaxColumns, kMaxRows, kMaxColumns}, "X!$XFD$1048576"},
        {"XFE1", "", {}, ""},
        {"A0", "", {}, ""},
        {"A1:", "", {}, ""},
        {"A:1", "", {}, ""},
        {"!A1", "", {}, ""},
        {"'Open!A1", "", {}, ""},
        // A name without quotes ends at the last "!", as a reference holds none.
        {"Wow!Sheet!$C$2", "Wow!Sheet", {2, 3, 2, 3}, "'Wow!Sheet'!$C$2"},
        {" Sheet1!B2 ", "Sheet1", {2, 2, 2, 2}, "Sheet1!$B$2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto parsed = parseReference(c.typed);
        ASSERT_EQ(parsed.has_value(), *c.shown != '\0');
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->sheet, c.sheet);
        EXPECT_EQ(parsed->range, c.range);
        EXPECT_EQ(qualifiedAddress(parsed->sheet.empty() ? "X" : parsed->sheet, parsed->range), c.shown);
    }
    // Names that would read as something else are quoted.
    EXPECT_EQ(qualifiedAddress("A1", {1, 1, 1, 1}), "'A1'!$A$1");
    EXPECT_EQ(qualifiedAddress("2024", {1, 1, 1, 1}), "'2024'!$A$1");
    EXPECT_EQ(qualifiedAddress("Año_1", {1, 1, 1, 1}), "Año_1!$A$1");
}

// --scope's block: any reference the window takes, as long as it names its sheet.
TEST(BlockScope, TakesAReferenceThatNamesItsSheet)
{
    const struct {
        const char* typed;
        std::optional<Scope> scope;
    } cases[] = {
        {"Sales!A1:C9", Scope::cellBlock("Sales", {1, 1, 9, 3})},
        {"'Q1 figures'!B2", Scope::cellBlock("Q1 figures", {2, 2, 2, 2})},
        {"Data!$A:$A", Scope::cellBlock("Data", {1, 1, kMaxRows, 1})},
        {"A1:B2", std::nullopt},
        {"'Unclosed!A1:B2", std::nullopt},
        {"Sales!", std::nullopt},
        {"workbook", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseBlockScope(c.typed), c.scope) << c.typed;
}

}  // namespace
