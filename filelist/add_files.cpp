#include "filelist/add_files.h"

namespace veltrano::filelist {

void Check3_Click(FileList& list, const WindowServices& window)
{
    const platform::shell::OpenFilesRequest request{
        QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
        QStringLiteral("Excel Files (*.xl*)"),
        {QStringLiteral("*.xl*")},
        /*multipleFiles=*/true,
        /*readOnlyOption=*/true,
    };
    // The dialog gives full paths, so nothing is joined here; nor is any path checked: what
    // was picked is what the list holds.
    list.append(window.shell().GetOpenFileNames(window.owner, request));
}

}  // namespace veltrano::filelist
