// File and folder services.
#pragma once
#include <cstddef>

// Folder of the running executable, without a trailing separator. 0, or -1 on failure
// (then "." is given back).
int GetProjectDir(char *buffer, size_t size);
// Folder of the program's read-only files (KOR.uir, pictures, shipped language files):
// CH_RESOURCE_DIR when it holds KOR.uir, else beside the executable when KOR.uir is there (a build
// tree), else the installed "<prefix>/share/clearhorizon" beside "<prefix>/bin".
// 0, or -1 when none holds KOR.uir (the folder beside the executable is given then).
int GetResourceDir(char *buffer, size_t size);
// 1 when the program runs from an installed layout (its files in ../share/clearhorizon,
// none beside the executable), 0 in a build tree or a folder of its own.
int ProgramIsInstalled();
// 1 when the process may create files in folder.
int FolderWritable(const char *folder);

// Replaces path with data through a temporary file in the same folder, flushed, synced
// and renamed over the old file, so that readers see the old or the new file whole.
// 0 on success, -1 when the temporary file cannot be created, -2 on a short write or a
// failed sync or close, -3 when the rename fails. On failure the old file is untouched.
int ReplaceFileAtomically(const char *path, const void *data, size_t size);
