#include "platform/excel/excel_error.h"

namespace veltrano::platform::excel {

std::string describePlace(const Place& place)
{
    std::string out = place.file;
    const auto add = [&out](const std::string& part) {
        if (!out.empty())
            out += ", ";
        out += part;
    };
    if (!place.sheet.empty())
        add("sheet \"" + place.sheet + "\"");
    if (!place.cell.empty())
        add("cell " + place.cell);
    return out;
}

std::string messageAt(const Place& place, const std::string& reason)
{
    const std::string where = describePlace(place);
    return where.empty() ? reason : where + ": " + reason;
}

ExcelError::ExcelError(const std::string& message, Place place)
    : std::runtime_error(message),
      m_place(std::move(place))
{}

ExcelError ExcelError::at(Place place, const std::string& reason)
{
    std::string message = messageAt(place, reason);
    return ExcelError(message, std::move(place));
}

}  // namespace veltrano::platform::excel
