#pragma once
// The parts of styles.xml the engine needs: each cell format's number format and whether it
// locks the cell.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spreadsheet/numfmt/renderer.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

struct CellFormat {
    numfmt::FormatHandle format = 0;
    bool locked = true;
    bool isDateTime = false;
};

class Styles {
public:
    // Only General, locked: for a workbook without a styles part.
    explicit Styles(numfmt::Renderer& renderer);

    // Reads <numFmts> and <cellXfs>; number format ids resolve to the custom code, else the
    // built-in code, else General.
    static Result<Styles> parse(std::string_view xml, const std::string& where, numfmt::Renderer& renderer);

    // The formats given, one per cell style index (at least one); for formats read elsewhere.
    static Styles fromFormats(std::vector<CellFormat> formats);

    // The format of a cell's s attribute; an index past the table falls back to the first.
    const CellFormat& of(std::uint32_t styleIndex) const
    {
        return styleIndex < m_formats.size() ? m_formats[styleIndex] : m_formats.front();
    }

private:
    explicit Styles(std::vector<CellFormat> formats)
        : m_formats(std::move(formats))
    {}
    std::vector<CellFormat> m_formats;
};

}  // namespace veltrano::spreadsheet
