#pragma once
// The window's walks over the cells of one open workbook, one per conversion scope: thin entry
// points that build the core's Scope and convert it cell by cell through the translation page
// (core/conversion.h has the rule, the order and what is written). The window's pacing stays
// here: an event pump at every cell the sheet stores, a pause before and after each exchange,
// the page's document held for the whole walk. Nothing is saved, activated or selected; the
// caller saves the workbook.

#include "core/failure.h"
#include "core/scope.h"
#include "excel/excel_error.h"
#include "excel/range.h"
#include "excel/workbook.h"
#include "pageclient/page_client.h"

#include <functional>
#include <string>
#include <vector>

namespace veltrano::pageclient {

// The pause before and after each exchange.
inline constexpr double kCellPauseSeconds = 0.5;

// How a walk paces itself. The program uses the defaults; tests pause for zero seconds and
// count the pumps.
struct WalkPacing {
    double pauseSeconds = kCellPauseSeconds;
    // One pass over the window's pending events, made at every cell; empty means Qt's own.
    std::function<void()> pumpEvents;
};

// The cells a walk left as they were although their translation came back (it was longer
// than a cell holds), one each, at the cell and saying why.
using PassedOver = std::vector<core::Failure>;

// What a walk gives back: the cells it passed over, or why it ended early and at which sheet
// and cell (the failure's place). After a failure, the cells before it hold their translations
// in the open workbook; the rest are as they were.
using Walked = core::Result<PassedOver>;

// The walk of any scope; the three below name the window's choices.
Walked ConvertScope(const excel::Workbook& workbook, const core::Scope& scope, PageClient& page,
                    const WalkPacing& pacing = {});

// Every worksheet of the workbook in workbook order, chart sheets left out; on each, row 1 to
// the used range's last row by column 1 to its last column.
Walked ConvertWorkbook(const excel::Workbook& workbook, PageClient& page, const WalkPacing& pacing = {});

// The workbook's active sheet, walked as above. A failure naming the sheet when the active
// sheet is not a worksheet.
Walked ConvertActiveSheet(const excel::Workbook& workbook, PageClient& page, const WalkPacing& pacing = {});

// The block's rectangle on the block's own worksheet (of several areas, the first), never past
// that sheet's used range, so whole columns cost no more than the cells that hold something.
Walked ConvertCellBlock(const excel::Workbook& workbook, const excel::Range& block, PageClient& page,
                        const WalkPacing& pacing = {});

}  // namespace veltrano::pageclient
