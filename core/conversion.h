#pragma once
// The conversion of one open workbook's cells: the cells of a scope in walk order (worksheets in
// workbook order, rows top to bottom, columns left to right), each passed over or translated by
// the cell rule (cell_rule.h), and what is written: nothing when the translation is the text
// itself, nothing when it is longer than a cell holds (the cell is named instead), else the
// translation. Nothing is saved; the file steps (file_steps.h) save.

#include "core/failure.h"
#include "core/scope.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet {
class Workbook;
}

namespace veltrano::core {

// How texts become their translations: the window's page, one text at a time; veltrano-batch's
// page host client with its memory, many at once.
class Translator {
public:
    virtual ~Translator() = default;
    // One translation for each of texts, in the same order; the failure says why there are none.
    virtual Result<std::vector<std::string>> translate(const std::vector<std::string_view>& texts) = 0;
    // Cell by cell only: every text of the scope, before the first is translated, for a
    // translator that reads a workbook's texts together (to tell the field it comes from).
    virtual void readAhead(const std::vector<std::string_view>&) {}
};

// Translates texts in one request; fails, naming file, when the translator fails or gives back
// another number of translations than it was sent.
Result<std::vector<std::string>> translateTogether(Translator& translator, const std::vector<std::string_view>& texts,
                                                   const Place& file);

// A cell whose text was replaced, or would have been when nothing is written.
struct ChangedCell {
    std::string sheet;
    std::string cell;  // "B7"
    std::string before;
    std::string after;  // as the cell now holds it; the translation when nothing is written
};

// What a conversion tells as it goes; each does nothing unless a front end needs it.
class ConversionEvents {
public:
    virtual ~ConversionEvents() = default;
    // Before the first cell of a scope found in the workbook; conversionEnded() follows however
    // the conversion ends.
    virtual void conversionStarted() {}
    virtual void conversionEnded() {}
    // At each cell the sheet stores within the scope, before the rule looks at it.
    virtual void cellReached() {}
    // Cell by cell only: before a cell's text is read and sent, and after its translation has
    // been dealt with.
    virtual void beforeTranslating() {}
    virtual void afterTranslating() {}
    virtual void cellChanged(const ChangedCell&) {}
};

enum class Pace {
    CellByCell,  // each text translated and written before the next cell is read (the window)
    Gathered,    // every text of the scope translated together, then written (veltrano-batch)
};

// What a conversion did.
struct Converted {
    std::size_t changedCells = 0;
    // Texts outside the cells that changed (other_texts.h); none unless a front end asks for them.
    std::size_t changedTexts = 0;
    // The cells left as they were although their translation came back, since it was longer
    // than a cell holds; one each, at the file, sheet and cell. They did not fail the file.
    std::vector<Failure> cellsLeft;
    // What was left as it was without failing the file, once each: parts the engine cannot edit
    // safely, or kinds of text a format cannot edit.
    std::vector<std::string> notices;
};

// Converts the cells of scope. With write false nothing is written, and Converted and
// cellChanged() say what would have changed. The failure names the place: the scope not found,
// the cell whose exchange failed, the cell the engine refused, or the file when gathered texts
// could not be translated. Cells written before a failure hold their translations in the open
// workbook.
Result<Converted> convertCells(spreadsheet::Workbook& workbook, const Scope& scope, Translator& translator, Pace pace,
                               ConversionEvents& events, bool write = true);

}  // namespace veltrano::core
