#pragma once
// The texts of a workbook that live outside its cells: notes and threaded comments, chart texts
// typed into the chart, text boxes and shapes, page headers and footers. Standard C++ types only.

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet {

enum class TextKind {
    Note,    // a legacy note's text, or a threaded comment's (authors, dates and people stay)
    Chart,   // a chart or axis title, a data label, a series name typed as text
    Shape,   // the text of a text box or shape in a drawing
    Header,  // a page header's or footer's text between its codes (&P, &"font", &L, ...)
};

// Which kinds a caller asks for.
struct TextKinds {
    bool notes = false;
    bool charts = false;
    bool shapes = false;
    bool headers = false;

    static TextKinds all() { return {true, true, true, true}; }
    bool any() const { return notes || charts || shapes || headers; }
    bool has(TextKind kind) const;
};

// One text outside the cells and where it is.
struct PlacedText {
    TextKind kind = TextKind::Note;
    std::string sheet;  // the sheet it belongs to
    std::string place;  // "note A1", "comment B2", "chart 2 title", "shape 1", "header", ...
    std::string text;
};

struct WorkbookTexts {
    std::vector<PlacedText> texts;  // indexes for Workbook::setText
    // Parts or kinds left as they are since they cannot be edited safely, one message each,
    // naming the file and the part or kind.
    std::vector<std::string> leftAsTheyAre;
};

// "note", "chart", "shape" or "header".
std::string_view textKindName(TextKind kind);

}  // namespace veltrano::spreadsheet
