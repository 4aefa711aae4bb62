#pragma once
// The parts of styles.xml the engine needs: each cell format's number format and whether it
// locks the cell.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/internal/part_place.h"
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

    // Reads <numFmts> and <cellXfs>, resolved as resolve() does.
    static Result<Styles> parse(std::string_view xml, const PartPlace& where, numfmt::Renderer& renderer);

    // A cell format as a workbook stores it: its number format id and protection.
    struct StoredFormat {
        int numFmtId = 0;
        bool locked = true;
    };
    // One format per stored format, in order: its number format id resolves to the custom code,
    // else the built-in code, else General. With none stored, only General, locked.
    static Styles resolve(const std::vector<StoredFormat>& stored, const std::map<int, std::string>& customCodes,
                          numfmt::Renderer& renderer);

    // The format of a cell's s attribute; an index past the table falls back to the first.
    const CellFormat& of(std::uint32_t styleIndex) const
    {
        return styleIndex < m_formats.size() ? m_formats[styleIndex] : m_formats.front();
    }

private:
    std::vector<CellFormat> m_formats;
};

}  // namespace veltrano::spreadsheet
