// The same workbook converted by the window's walk and by veltrano-batch's run, both with a page
// that answers at once by the same rule, ends with the same cell values.

#include "batch/batch_run.h"
#include "platform/excel/application.h"
#include "spreadsheet/workbook.h"
#include "tests/platform/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/translation/fake_page_client.h"
#include "translation/scope_walk.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace veltrano;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

// As the page host: a text with no letters comes back as it was.
std::string instantTranslation(const std::string& text)
{
    if (std::none_of(text.begin(), text.end(), [](unsigned char c) { return std::isalpha(c); }))
        return text;
    return "<" + text + ">";
}

class InstantTranslator final : public batch::TextTranslator {
public:
    pagehost::Outcome<std::vector<std::string>> translate(const std::vector<std::string>& texts) override
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
    EXPECT_TRUE(book) << book.error().message;
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

    platform::excel::Application excel;
    const platform::excel::Workbook workbook = excel.Workbooks().Open({.FileName = byWindow});
    translation::testing::FakePageClient page;
    page.answer = [](const QString& text) {
        return translation::CellTranslation::translated(QString::fromStdString(instantTranslation(text.toStdString())));
    };
    translation::ConvertWorkbook(workbook, page, {0.0, [] {}});
    workbook.Save();
    excel.Quit();

    InstantTranslator translator;
    batch::RunTranslations translations(translator, nullptr, false);
    std::ostringstream shown;
    batch::Progress progress(shown, false, 1);
    batch::BatchRun run({{}, false, false}, translations, progress, nullptr);
    run.convert(byBatch);
    ASSERT_EQ(run.totals().failed, 0u) << shown.str();

    EXPECT_EQ(dump(byBatch), dump(byWindow));
    EXPECT_NE(dump(byBatch), dump(fixture.write(folder / "original.xlsx").string()));
}

}  // namespace
