#pragma once
// The texts outside the cells of a zip package, found through each sheet's relationships
// (notes, threaded comments, drawings and their charts) and in the sheet part itself (headers
// and footers), with the byte range of each text so that an edit is spliced into the part and
// everything around it stays byte for byte.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/result.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbook_texts.h"
#include "spreadsheet/xlsx/header_codes.h"

namespace veltrano::spreadsheet {

// How an element's text is written in its part.
enum class TextForm {
    CellText,      // SpreadsheetML <t>: _xHHHH_ escapes, xml:space="preserve" when needed
    Plain,         // DrawingML <a:t>, chart <c:v>, threaded comments: XML escaping only
    HeaderFooter,  // SpreadsheetML header or footer: codes around literal runs, _xHHHH_ escapes
};

// One element whose whole content is text.
struct TextElement {
    std::size_t zipEntry = 0;  // for an .xls header or footer: its record's offset in the workbook stream
    std::size_t startTagBegin = 0, startTagEnd = 0, contentEnd = 0;
    bool spacePreserved = false;  // the start tag has xml:space
    TextForm form = TextForm::Plain;
    std::vector<HeaderPiece> pieces;  // one literal piece, but for headers and footers
    bool edited = false;
};

// One text a caller sees: a literal piece of an element.
struct TextUnit {
    std::size_t element = 0;
    std::size_t piece = 0;
    PlacedText shown;
    // Legacy notes that repeat this threaded comment's text for older programs; they follow it.
    std::vector<std::size_t> mirrors;
};

struct PartTexts {
    std::vector<TextElement> elements;
    std::vector<TextUnit> units;
    std::map<std::size_t, std::string> partXml;  // zip entry → XML, for the parts other than worksheets
    std::vector<std::string> leftAsTheyAre;
};

// Adds a header or footer held elsewhere than in a part (an .xls record at offset where), as
// an element of its own with a unit for each literal run.
void addHeaderText(PartTexts& texts, std::size_t where, std::string_view header, const std::string& sheet,
                   const std::string& place);
// The same for a note's or text box's formatting runs, a piece each (TextForm::Plain).
void addRecordText(PartTexts& texts, std::size_t where, const std::vector<std::string>& runs, TextKind kind,
                   const std::string& sheet, const std::string& place);

// Replaces a unit's text (and its mirrors'); TooLarge for a header or footer past its limit.
Status setUnitText(PartTexts& texts, std::size_t unit, std::string_view text);

// The part at zipEntry with its edited elements spliced in. xml is the part as it is to be
// written: the original, or a worksheet whose cells were rewritten before its headers, in which
// case every element's offset moves by shift.
std::string spliceTextEdits(const PartTexts& texts, std::size_t zipEntry, std::string_view xml, std::int64_t shift = 0);

// The zip entries with edited elements.
std::vector<std::size_t> editedEntries(const PartTexts& texts);

}  // namespace veltrano::spreadsheet
