#include "spreadsheet/xlsx/xlsx_backend.h"

#include <algorithm>

namespace veltrano::spreadsheet {

Status XlsxBackend::checkWrite(const Workbook::Impl&, std::size_t, int, int) const
{
    return {};
}

Result<std::string> XlsxBackend::serialize(const Workbook::Impl& wb) const
{
    return serializePackage(wb, m_zip);
}

Result<std::unique_ptr<PartTexts>> XlsxBackend::collectTexts(const Workbook::Impl& wb, TextKinds kinds) const
{
    return collectPartTexts(wb, m_zip, kinds);
}

void XlsxBackend::releaseRereadable(Workbook::Impl& wb) const
{
    for (auto& sheet : wb.worksheets)
        std::string().swap(sheet->model.xml);
}

Status XlsxBackend::restoreRereadable(Workbook::Impl& wb) const
{
    // Nothing was let go (no save was read back, or the serializing failed first): the package
    // need not be copied and opened again.
    auto released = [](const auto& sheet) { return sheet->model.xml.empty(); };
    if (std::none_of(wb.worksheets.begin(), wb.worksheets.end(), released))
        return {};
    // A package of its own: its read budget is not the one spent opening the workbook.
    auto zip = ZipArchive::open(m_zip.bytes(), wb.path);
    if (!zip)
        return zip.error();
    for (auto& sheet : wb.worksheets) {
        if (!sheet->model.xml.empty())
            continue;
        auto xml = zip.value().read(sheet->zipEntry);
        if (!xml)
            return xml.error();
        sheet->model.xml = std::move(xml.value());
    }
    return {};
}

}  // namespace veltrano::spreadsheet
