#pragma once
// Internal to the engine: the zip package (.xlsx/.xlsm/.xltx/.xltm) behind a Workbook. The
// package's parts are parsed into Workbook::Impl; the backend keeps the archive they came from.

#include <memory>
#include <string>

#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/zip_archive.h"

namespace veltrano::spreadsheet {

class XlsxBackend : public FormatBackend {
public:
    explicit XlsxBackend(ZipArchive zip)
        : m_zip(std::move(zip))
    {}

    // Any cell the neutral checks let through can take a shared string.
    Status checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const override;
    // Members of a shared formula whose master is written keep the formula in their own <f>.
    void dropFormula(Workbook::Impl& wb, std::size_t worksheet, std::uint32_t cell) const override;
    Result<std::string> serialize(const Workbook::Impl& wb) const override;
    const std::string& bytes() const override { return m_zip.bytes(); }
    // Headers and footers, notes, threaded comments, shapes and charts, read from their parts.
    Result<std::unique_ptr<PartTexts>> collectTexts(const Workbook::Impl& wb, TextKinds kinds) const override;
    // The worksheets' XML, which the package holds compressed.
    void releaseRereadable(Workbook::Impl& wb) const override;
    Status restoreRereadable(Workbook::Impl& wb) const override;

    const ZipArchive& zip() const { return m_zip; }

private:
    ZipArchive m_zip;
};

// Loads a zip package's bytes with every check of opening; refuses, saying why, bytes that are
// not a zip package (compound files are told apart before, by xls::isCompoundFile).
Result<std::unique_ptr<Workbook::Impl>> loadPackage(const std::string& path, std::string bytes);

// The bytes of the package with every pending edit applied.
Result<std::string> serializePackage(const Workbook::Impl& wb, const ZipArchive& zip);

// The texts outside the cells read from the package's parts (see XlsxBackend::collectTexts).
Result<std::unique_ptr<PartTexts>> collectPartTexts(const Workbook::Impl& wb, const ZipArchive& zip, TextKinds kinds);

}  // namespace veltrano::spreadsheet
