#include "core/place.h"

namespace veltrano::core {

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

}  // namespace veltrano::core
