#pragma once
// "Add All Excel File(s) In Folder": every file with a given extension in a folder and in all
// of its subfolders goes to the end of the list.

#include "filelist/file_list.h"
#include "filelist/window_services.h"

namespace veltrano::filelist {

// Asks for an extension ("xls" offered, titled "Veltrano") and a folder (from the user's home
// folder); stops silently when either is cancelled or the extension is empty. Then, with the
// busy pointer, walks the folder tree (pumping the window's events) and appends, in one step
// that pumps none, each file matching "*." + extension whose name does not start with "~".
// Folders that could not be read, links that could not be followed, and matching files whose
// names no path can hold, are reported afterwards in one message.
void Check6_Click(FileList& list, const WindowServices& window);

}  // namespace veltrano::filelist
