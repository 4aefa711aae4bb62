#include "translation/scope_walk.h"

#include "platform/excel/worksheet.h"
#include "translation/wait_seconds.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace veltrano::translation {

using platform::excel::ExcelError;
using platform::excel::Place;
using platform::excel::Range;
using platform::excel::Workbook;
using platform::excel::Worksheet;
using Outcome = CellTranslation::Outcome;
using Area = spreadsheet::CellRange;

namespace {

// Row 1, column 1 to the last row and column of the sheet's used range, as Excel gives them.
Area sheetArea(const Worksheet& sheet)
{
    const Range used = sheet.UsedRange();
    return {1, 1, used.Rows().Item(used.Rows().Count()).Row(), used.Columns().Item(used.Columns().Count()).Column()};
}

// Holds the page's document for as long as a walk runs, and lets go of it however the walk ends.
class DocumentHold {
public:
    explicit DocumentHold(PageClient& page)
        : m_page(page)
    {
        m_page.takeDocument();
    }
    ~DocumentHold() { m_page.releaseDocument(); }
    DocumentHold(const DocumentHold&) = delete;
    DocumentHold& operator=(const DocumentHold&) = delete;

private:
    PageClient& m_page;
};

class CellWalk {
public:
    CellWalk(PageClient& page, const WalkPacing& pacing)
        : m_page(page),
          m_pacing(pacing)
    {}

    // Rows outer, columns inner; the bounds were taken before the first cell. Only the cells
    // the sheet stores are visited: every other one is empty, and would cost an event pump and
    // nothing else. They are listed a band of rows at a time, so that listing a large sheet
    // never holds the window up for long between two pumps.
    void walk(const Worksheet& sheet, const Area& area)
    {
        for (int first = area.firstRow; first <= area.lastRow; first += kRowsPerBand) {
            const int last = int(std::min<std::int64_t>(std::int64_t(first) + kRowsPerBand - 1, area.lastRow));
            for (const spreadsheet::CellAddress& cell :
                 sheet.storedCells({first, area.firstColumn, last, area.lastColumn}))
                visit(sheet, cell.row, cell.column);
        }
    }

    const PassedOver& passedOver() const { return m_passedOver; }

private:
    static constexpr int kRowsPerBand = 1024;

    void pumpEvents() const
    {
        if (m_pacing.pumpEvents)
            m_pacing.pumpEvents();
        else
            QCoreApplication::processEvents();
    }

    // An empty cell, and a cell whose value is not text for us to replace (a number, date,
    // boolean or error whatever it shows, a formula, a locked cell on a protected sheet, ...),
    // cost one pump and one look: no pause, no exchange, no write.
    void visit(const Worksheet& sheet, int row, int column)
    {
        pumpEvents();
        const Range cell = sheet.Cells(row, column);
        if (cell.Text().empty() || cell.translationBlock() != spreadsheet::WriteBlock::None)
            return;
        WaitSeconds(m_pacing.pauseSeconds);
        // Read again after the pause. The text is sent as stored, so that text shown through a
        // format with literals (@" kg") does not get them written in: the answer replaces the
        // stored text and the format adds its literals again.
        if (cell.Text().empty())
            return;
        const std::optional<std::string> stored = cell.Value();
        if (!stored || stored->empty())
            return;
        const QString sent = QString::fromStdString(*stored);
        const CellTranslation answer = m_page.TranslateCellText(sent);
        if (answer.outcome() == Outcome::Failed)
            throw WalkError(platform::excel::messageAt(cell.place(), answer.failure().toStdString()), cell.place());
        // A translation equal to the text leaves the cell as it is.
        if (answer.outcome() == Outcome::Translated && answer.text() != sent)
            write(cell, answer.text());
        WaitSeconds(m_pacing.pauseSeconds);
    }

    // A translation longer than a cell holds (QString counts UTF-16 units, as the limit does)
    // would lose its end: the cell keeps its text and the walk goes on, noting which cell.
    void write(const Range& cell, const QString& translation)
    {
        if (translation.size() > spreadsheet::kMaxCellTextUnits) {
            m_passedOver.push_back(platform::excel::messageAt(
                cell.place(),
                "the translation is " + std::to_string(translation.size()) + " characters long, past a cell's limit of "
                    + std::to_string(spreadsheet::kMaxCellTextUnits) + ", so the cell was left as it was"));
            return;
        }
        cell.setValue(translation.toStdString());
    }

    PageClient& m_page;
    const WalkPacing& m_pacing;
    PassedOver m_passedOver;
};

// Runs a walk, giving a failure of the Excel objects the walk's own error type.
template <typename Walk>
void reportingWalkErrors(Walk&& walk)
{
    try {
        walk();
    } catch (const ExcelError& error) {
        throw WalkError(error.what(), error.place());
    }
}

}  // namespace

WalkError::WalkError(const std::string& message, Place place)
    : std::runtime_error(message),
      m_place(std::move(place))
{}

PassedOver ConvertWorkbook(const Workbook& workbook, PageClient& page, const WalkPacing& pacing)
{
    CellWalk walk(page, pacing);
    reportingWalkErrors([&] {
        const DocumentHold document(page);
        for (const Worksheet& sheet : workbook.Worksheets())
            walk.walk(sheet, sheetArea(sheet));
    });
    return walk.passedOver();
}

PassedOver ConvertActiveSheet(const Workbook& workbook, PageClient& page, const WalkPacing& pacing)
{
    CellWalk walk(page, pacing);
    reportingWalkErrors([&] {
        const Worksheet sheet = workbook.ActiveSheet();
        const Area area = sheetArea(sheet);
        const DocumentHold document(page);
        walk.walk(sheet, area);
    });
    return walk.passedOver();
}

PassedOver ConvertCellBlock([[maybe_unused]] const Workbook& workbook, const Range& block, PageClient& page,
                            const WalkPacing& pacing)
{
    CellWalk walk(page, pacing);
    reportingWalkErrors([&] {
        const Worksheet sheet = block.Worksheet();
        Area area{block.Row(), block.Column(), block.Rows().Item(block.Rows().Count()).Row(),
                  block.Columns().Item(block.Columns().Count()).Column()};
        // Past the used range every cell is empty: stopping there changes nothing but the time.
        const Area used = sheetArea(sheet);
        area.lastRow = std::min(area.lastRow, used.lastRow);
        area.lastColumn = std::min(area.lastColumn, used.lastColumn);
        const DocumentHold document(page);
        walk.walk(sheet, area);
    });
    return walk.passedOver();
}

}  // namespace veltrano::translation
