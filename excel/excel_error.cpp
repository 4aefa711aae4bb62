#include "excel/excel_error.h"

#include <utility>

namespace veltrano::excel {

ExcelError::ExcelError(core::Failure failure)
    : std::runtime_error(failure.message()),
      m_failure(std::move(failure))
{}

ExcelError ExcelError::at(Place place, const std::string& reason)
{
    return ExcelError(core::Failure{reason, std::move(place)});
}

}  // namespace veltrano::excel
