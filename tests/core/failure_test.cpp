// A failure's text is joined in one place, from its pieces: the whole line for a log, the line
// without the file for the window, which names the file itself.

#include "core/failure.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::core;
using veltrano::spreadsheet::Error;
using veltrano::spreadsheet::ErrorCode;

TEST(Failure, JoinsOnlyThePiecesItHas)
{
    const Error damaged{ErrorCode::Damaged, "/d/b.xlsx", "xl/workbook.xml at byte 80", "no sheets"};
    const Error fileOnly{ErrorCode::NotFound, "/d/b.xlsx", "", "no such file"};
    const Error noFile{ErrorCode::TooLarge, "", "Data header", "too long"};
    const Error reasonOnly{ErrorCode::Io, "", "", "No space left on device"};
    const Place cell{"/d/b.xlsx", "Data", "B7"};
    const struct {
        const char* name;
        Failure failure;
        const char* whole;
        const char* withoutFile;
    } cases[] = {
        {"engine: file, place, reason", engineFailure(damaged, cell),
         "/d/b.xlsx: xl/workbook.xml at byte 80: no sheets", "xl/workbook.xml at byte 80: no sheets"},
        {"engine: no place", engineFailure(fileOnly, cell), "/d/b.xlsx: no such file", "no such file"},
        {"engine: no file", engineFailure(noFile, {}), "Data header: too long", "Data header: too long"},
        {"engine: another file", engineFailure(fileOnly, {"/d/link.xlsx", {}, {}}), "/d/b.xlsx: no such file",
         "/d/b.xlsx: no such file"},
        {"engine: reason alone", engineFailure(reasonOnly, cell), "No space left on device", "No space left on device"},
        {"core: file, sheet, cell",
         {"the page went away", cell},
         "/d/b.xlsx, sheet \"Data\", cell B7: the page went away",
         "sheet \"Data\", cell B7: the page went away"},
        {"core: file", {"no block", {"/d/b.xlsx", {}, {}}}, "/d/b.xlsx: no block", "no block"},
        {"core: no place", {"the translator went away", {}}, "the translator went away", "the translator went away"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.failure.message(), c.whole) << c.name;
        EXPECT_EQ(c.failure.messageWithoutFile(), c.withoutFile) << c.name;
    }
    // The engine's own text is the same line.
    EXPECT_EQ(damaged.message(), cases[0].whole);
    EXPECT_EQ(damaged.messageWithoutFile(), cases[0].withoutFile);
}

}  // namespace
