// File and folder services.
#pragma once
#include <cstddef>

// Folder of the running executable, without a trailing separator. 0, or -1 on failure
// (then "." is given back).
int GetProjectDir(char *buffer, size_t size);

// Replaces path with data through a temporary file in the same folder, flushed, synced
// and renamed over the old file, so that readers see the old or the new file whole.
// 0 on success, -1 when the temporary file cannot be created, -2 on a short write or a
// failed sync or close, -3 when the rename fails. On failure the old file is untouched.
int ReplaceFileAtomically(const char *path, const void *data, size_t size);
