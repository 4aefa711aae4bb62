// The same workbook converted by the window's walk and by veltrano-batch's run, both with a page
// that answers at once by the same rule, ends with the same cell values, in every scope, and
// names the same cells it left as they were.

#include "batch/batch_run.h"
#include "core/scope.h"
#include "core/sheet_reference.h"
#include "excel/application.h"
#include "pageclient/scope_walk.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/pageclient/fake_page_client.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using namespace veltrano;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

// As the page host: a text with no letters comes back as it was. A text that starts with "long"
// comes back longer than a cell holds.
std::string instantTranslation(const std::string& text)
{
    if (std::none_of(text.begin(), text.end(), [](unsigned char c) { return std::isalpha(c); }))
        return text;
    if (text.starts_with("long"))
        return std::string(spreadsheet::kMaxCellTextUnits + 1, 'x');
    return "<" + text + ">";
}

class InstantTranslator final : public batch::TextTranslator {
public:
    pagehost::Result<std::vector<std::string>> translate(const std::vector<std::string>& texts,
                                                         const std::optional<std::string>&) override
    {
        std::vector<std::string> translations;
        for (const std::string& text : texts)
            translations.push_back(instantTranslation(text));
        return translations;
    }
};

std::vector<std::string> dump(const std::string& path)
{
    auto book = spreadsheet::Workbook::open(path);
    EXPECT_TRUE(book) << book.error().message();
    std::vector<std::string> cells;
    for (std::size_t i = 0; book && i < book.value().worksheetCount(); ++i) {
        const spreadsheet::Worksheet sheet = book.value().worksheet(i);
        for (int row = 1; row <= sheet.usedRange().lastRow; ++row)
            for (int column = 1; column <= sheet.usedRange().lastColumn; ++column)
                cells.push_back(sheet.name() + "!" + spreadsheet::cellName(row, column) + "="
                                + sheet.text(row, column));
    }
    return cells;
}

TEST(WindowAndBatch, EndWithTheSameCellValues)
{
    const WorkbookFixture fixture =
        WorkbookFixture()
            .sharedStrings({"<t>Total</t>", "<t xml:space=\"preserve\"> padded </t>"})
            .numFmt(164, "@&quot; kg&quot;")
            .cellXf(0)
            .cellXf(164)
            .worksheet("Data", sheetRows({{"A1", "t=\"s\"><v>0</v>"},
                                          {"B1", "t=\"s\"><v>1</v>"},
                                          {"C1", "><v>1234.5</v>"},
                                          {"A2", "t=\"str\"><f>A1&amp;\"x\"</f><v>Totalx</v>"},
                                          {"B2", "s=\"1\" " + text("Flour")},
                                          {"C3", "t=\"s\"><v>0</v>"},
                                          {"D3", "t=\"b\"><v>1</v>"},
                                          {"E3", "t=\"e\"><v>#N/A</v>"}}))
            .worksheet("Kept", sheetRows({{"A1", text("Locked")}}), "<sheetProtection sheet=\"1\"/>");
    TempDir folder;
    const std::string byWindow = fixture.write(folder / "window.xlsx").string();
    const std::string byBatch = fixture.write(folder / "batch.xlsx").string();

    excel::Application excel;
    const excel::Workbook workbook = excel.Workbooks().Open({.FileName = byWindow});
    pageclient::testing::FakePageClient page;
    page.answer = [](const QString& text) {
        return pageclient::CellTranslation::translated(QString::fromStdString(instantTranslation(text.toStdString())));
    };
    const pageclient::Walked walked = pageclient::ConvertWorkbook(workbook, page, {0.0, [] {}});
    ASSERT_TRUE(walked) << walked.error().message();
    workbook.Save();
    excel.Quit();

    InstantTranslator translator;
    batch::RunTranslations translations(translator, nullptr, false);
    std::ostringstream shown;
    batch::Progress progress(shown, false, 1);
    batch::BatchRun run({{}, false, false, {}}, translations, progress, nullptr);
    run.convert(byBatch);
    ASSERT_EQ(run.totals().failed, 0u) << shown.str();

    EXPECT_EQ(dump(byBatch), dump(byWindow));
    EXPECT_NE(dump(byBatch), dump(fixture.write(folder / "original.xlsx").string()));
}

// Every cell of every worksheet as "Sheet!A1=shown|stored": a text the format hides shows
// nothing, so its stored text tells whether it was translated.
std::map<std::string, std::string> cellsOf(const std::string& path)
{
    auto book = spreadsheet::Workbook::open(path);
    EXPECT_TRUE(book) << book.error().message();
    std::map<std::string, std::string> cells;
    for (std::size_t i = 0; book && i < book.value().worksheetCount(); ++i) {
        const spreadsheet::Worksheet sheet = book.value().worksheet(i);
        for (const spreadsheet::CellAddress& at : sheet.storedCells(sheet.usedRange()))
            cells[sheet.name() + "!" + spreadsheet::cellName(at.row, at.column)] =
                sheet.text(at.row, at.column) + "|" + sheet.storedText(at.row, at.column).value_or("");
    }
    return cells;
}

// The cells whose value differs between two maps of cellsOf.
std::vector<std::string> changedCells(const std::map<std::string, std::string>& before,
                                      const std::map<std::string, std::string>& after)
{
    std::vector<std::string> changed;
    for (const auto& [cell, value] : after)
        if (before.at(cell) != value)
            changed.push_back(cell);
    return changed;
}

// Data: a text, a text ;;; hides, a number, a formula, a text whose translation is too long for
// a cell, a text with a unit, a text with no letters. Kept (active, protected): a locked text and
// an unlocked one.
WorkbookFixture everyKindOfCell()
{
    return WorkbookFixture()
        .numFmt(164, ";;;")
        .numFmt(165, "@&quot; kg&quot;")
        .cellXf(0)
        .cellXf(164)
        .cellXf(165)
        .cellXf(0, /*locked=*/false)
        .worksheet("Data", sheetRows({{"A1", text("Total")},
                                      {"B1", "s=\"1\" " + text("Secret")},
                                      {"C1", "><v>1234.5</v>"},
                                      {"A2", "t=\"str\"><f>A1&amp;\"x\"</f><v>Totalx</v>"},
                                      {"B2", text("long notes")},
                                      {"C2", "s=\"2\" " + text("Flour")},
                                      {"D3", text("2026")},
                                      {"E3", text("Net")}}))
        .worksheet("Kept", sheetRows({{"A1", text("Locked")}, {"B1", "s=\"3\" " + text("Open")}}),
                   "<sheetProtection sheet=\"1\"/>")
        .activeTab(1);
}

struct ScopeCase {
    const char* name;
    core::Scope scope;
    std::vector<std::string> changed;
    bool leavesACell;  // the over-long translation is in the scope
};

TEST(WindowAndBatch, ConvertTheSameCellsInEveryScope)
{
    const ScopeCase cases[] = {
        {"whole workbook", core::Scope::wholeWorkbook(), {"Data!A1", "Data!C2", "Data!E3", "Kept!B1"}, true},
        {"active sheet", core::Scope::activeSheet(), {"Kept!B1"}, false},
        {"a block", core::Scope::cellBlock("Data", {1, 2, 3, 3}), {"Data!C2"}, true},
    };
    for (const ScopeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const std::string original = everyKindOfCell().write(folder / "original.xlsx").string();
        const std::string byWindow = everyKindOfCell().write(folder / "window.xlsx").string();
        const std::string byBatch = everyKindOfCell().write(folder / "batch.xlsx").string();

        excel::Application excel;
        const excel::Workbook workbook = excel.Workbooks().Open({.FileName = byWindow});
        pageclient::testing::FakePageClient page;
        page.answer = [](const QString& text) {
            return pageclient::CellTranslation::translated(
                QString::fromStdString(instantTranslation(text.toStdString())));
        };
        const pageclient::WalkPacing noPauses{0.0, [] {}};
        const pageclient::Walked walked = [&]() -> pageclient::Walked {
            switch (c.scope.kind) {
            case core::Scope::Kind::Workbook:
                return pageclient::ConvertWorkbook(workbook, page, noPauses);
            case core::Scope::Kind::ActiveSheet:
                return pageclient::ConvertActiveSheet(workbook, page, noPauses);
            case core::Scope::Kind::Block:
                return pageclient::ConvertCellBlock(
                    workbook, workbook.Worksheets().at(0).Range(core::qualifiedAddress("Data", c.scope.block)), page,
                    noPauses);
            }
            return pageclient::PassedOver();
        }();
        ASSERT_TRUE(walked) << walked.error().message();
        const pageclient::PassedOver& passedOver = walked.value();
        workbook.Save();
        excel.Quit();

        InstantTranslator translator;
        batch::RunTranslations translations(translator, nullptr, false);
        std::ostringstream shown;
        batch::Progress progress(shown, false, 1);
        batch::BatchRun run({c.scope, false, false, {}}, translations, progress, nullptr);
        run.convert(byBatch);
        EXPECT_EQ(run.totals().failed, 0u) << shown.str();

        EXPECT_EQ(cellsOf(byBatch), cellsOf(byWindow));
        EXPECT_EQ(changedCells(cellsOf(original), cellsOf(byBatch)), c.changed);
        // The same cells named as left; the batch counts the file for its exit status.
        ASSERT_EQ(passedOver.size(), c.leavesACell ? 1u : 0u);
        EXPECT_EQ(run.totals().withCellsLeft, c.leavesACell ? 1u : 0u);
        for (const core::Failure& left : passedOver) {
            const std::string cell = left.message();
            EXPECT_NE(cell.find("sheet \"Data\", cell B2: the translation is 32768 characters long"), std::string::npos)
                << cell;
            ASSERT_TRUE(cell.starts_with(byWindow)) << cell;
            EXPECT_NE(shown.str().find(byBatch + cell.substr(byWindow.size())), std::string::npos) << shown.str();
        }
    }
}

}  // namespace
