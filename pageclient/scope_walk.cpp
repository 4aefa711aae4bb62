#include "pageclient/scope_walk.h"

#include "core/conversion.h"
#include "excel/worksheet.h"
#include "pageclient/wait_seconds.h"

#include <QCoreApplication>

namespace veltrano::pageclient {

using excel::Place;
using excel::Range;
using excel::Workbook;
using Outcome = CellTranslation::Outcome;

namespace {

// The window's side of a conversion: the page is the translator, one exchange per text, and
// the pacing answers the conversion's events.
class PagedConversion final : public core::Translator, public core::ConversionEvents {
public:
    PagedConversion(PageClient& page, const WalkPacing& pacing)
        : m_page(page),
          m_pacing(pacing)
    {}

    // A cell the page has no result for keeps its text: its "translation" is the text itself.
    core::Result<std::vector<std::string>> translate(const std::vector<std::string_view>& texts) override
    {
        std::vector<std::string> translations;
        for (const std::string_view text : texts) {
            const CellTranslation answer =
                m_page.TranslateCellText(QString::fromUtf8(text.data(), qsizetype(text.size())));
            if (answer.outcome() == Outcome::Failed)
                return core::Failure{answer.failure().toStdString(), {}};
            translations.push_back(answer.outcome() == Outcome::Translated ? answer.text().toStdString()
                                                                           : std::string(text));
        }
        return translations;
    }

    void readAhead(const std::vector<std::string_view>& texts) override
    {
        QStringList read;
        for (const std::string_view text : texts)
            read << QString::fromUtf8(text.data(), qsizetype(text.size()));
        m_page.readAhead(read);
    }

    // The page's document is held for as long as a walk runs, and let go however it ends.
    void conversionStarted() override { m_page.takeDocument(); }
    void conversionEnded() override { m_page.releaseDocument(); }

    // Every cell the sheet stores costs one pump, so the window stays live on any sheet;
    // a cell passed over costs nothing more: no pause, no exchange, no write.
    void cellReached() override
    {
        if (m_pacing.pumpEvents)
            m_pacing.pumpEvents();
        else
            QCoreApplication::processEvents();
    }
    void beforeTranslating() override { WaitSeconds(m_pacing.pauseSeconds); }
    void afterTranslating() override { WaitSeconds(m_pacing.pauseSeconds); }

private:
    PageClient& m_page;
    const WalkPacing& m_pacing;
};

}  // namespace

Walked ConvertScope(const Workbook& workbook, const core::Scope& scope, PageClient& page, const WalkPacing& pacing)
{
    const auto book = excel::attempt([&] { return workbook.sharedEngineWorkbook(); });
    if (!book)
        return book.error();
    PagedConversion paged(page, pacing);
    auto converted = core::convertCells(*book.value(), scope, paged, core::Pace::CellByCell, paged);
    if (!converted)
        return converted.error();
    return std::move(converted.value().cellsLeft);
}

Walked ConvertWorkbook(const Workbook& workbook, PageClient& page, const WalkPacing& pacing)
{
    return ConvertScope(workbook, core::Scope::wholeWorkbook(), page, pacing);
}

Walked ConvertActiveSheet(const Workbook& workbook, PageClient& page, const WalkPacing& pacing)
{
    return ConvertScope(workbook, core::Scope::activeSheet(), page, pacing);
}

Walked ConvertCellBlock(const Workbook& workbook, const Range& block, PageClient& page, const WalkPacing& pacing)
{
    auto sheet = excel::attempt([&] { return block.Worksheet().Name(); });
    if (!sheet)
        return sheet.error();
    return ConvertScope(workbook, core::Scope::cellBlock(std::move(sheet).value(), block.area()), page, pacing);
}

}  // namespace veltrano::pageclient
