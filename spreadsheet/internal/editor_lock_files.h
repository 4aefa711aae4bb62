#pragma once
// The lock files other spreadsheet programs leave beside a workbook they have open for
// editing: LibreOffice's ".~lock.NAME#" and Excel's "~$NAME".

#include <optional>
#include <string>

namespace veltrano::spreadsheet {

// Why the workbook at path is open in another program ("LibreOffice, by Jane Doe (lock file
// .~lock.book.xlsx#)"), or nullopt when no such lock file is beside it.
std::optional<std::string> editorHoldingFile(const std::string& path);

}  // namespace veltrano::spreadsheet
