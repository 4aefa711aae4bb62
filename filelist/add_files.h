#pragma once
// "Add Excel File(s)": files picked in the file-open dialog go to the end of the list.

#include "filelist/file_list.h"
#include "filelist/window_services.h"

namespace veltrano::filelist {

// Shows the file-open dialog for workbooks (several at once, read-only choice offered) and
// appends the chosen files' full paths in the dialog's order; cancelling adds nothing.
void Check3_Click(FileList& list, const WindowServices& window);

}  // namespace veltrano::filelist
