#include "conversion/excel_access.h"

#include <algorithm>
#include <cctype>

namespace veltrano::conversion {

using excel::Application;
using excel::RunningApplication;

const QString kExcelMayBeOpenMessage =
    QStringLiteral("Excel may be open. It is recommended that you close Excel first.\r\n\r\n"
                   "Would you like to proceed anyway?");

bool ExcelIsRunning(const excel::RunningProgramLookup& lookup)
{
    // Attaching fails when nothing runs; that is the answer, not a fault to report.
    const auto running = excel::attempt([&] { return RunningApplication::attach(lookup); });
    return running && running.value().Name() == excel::kApplicationName;
}

bool StopForOpenExcel(QWidget* owner, platform::shell::Shell& shell, const excel::RunningProgramLookup& lookup)
{
    if (!ExcelIsRunning(lookup))
        return false;
    const int answer = shell.MsgBox(owner, kExcelMayBeOpenMessage, platform::shell::kYesNo, QStringLiteral("Veltrano"));
    return answer != platform::shell::kAnswerYes;
}

bool isTemplatePath(const std::string& path)
{
    if (path.size() >= 3 && path.compare(path.size() - 3, 3, "xlt") == 0)
        return true;
    if (path.size() < 5)
        return false;
    std::string extension = path.substr(path.size() - 5);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension == ".xltx" || extension == ".xltm";
}

core::Result<Application> OpenWorkbookInExcel(const std::string& path)
{
    return excel::attempt([&] {
        Application excel;
        if (isTemplatePath(path))
            excel.Workbooks().Open({.FileName = path, .Editable = true});
        else
            excel.Workbooks().Open({.FileName = path});
        return excel;
    });
}

}  // namespace veltrano::conversion
