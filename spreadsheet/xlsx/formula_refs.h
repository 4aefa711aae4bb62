#pragma once
// Reading cell formulas as text: moving them to another cell, and finding the table columns
// they name.

#include <set>
#include <string>
#include <string_view>

namespace veltrano::spreadsheet {

// The formula as it reads when copied rowDelta rows down and columnDelta columns right:
// relative references move, $-absolute parts stay; a reference pushed off the sheet becomes
// #REF!. Text in quotes, structured references and names are left alone.
std::string shiftFormula(std::string_view formula, int rowDelta, int columnDelta);

// A name from inside square brackets as collectBracketNames keeps it: without a leading '@',
// leading and trailing spaces, case-folded; so a table column name can be looked up the same way.
std::string bracketNameKey(std::string_view name);

// Adds every name written in square brackets in the formula (structured references such as
// Table1[Amount], [@Amount], [[#This Row],[Amount]]), with the '@' and the ' escapes
// removed, case-folded.
void collectBracketNames(std::string_view formula, std::set<std::string>& names);

}  // namespace veltrano::spreadsheet
