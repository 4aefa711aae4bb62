#include "excel/excel_error.h"

namespace veltrano::platform::excel {

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
