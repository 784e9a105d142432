// Files for the fuzz targets: one private folder per process, emptied before each input,
// so that the readers meet the input as a real file and whatever they leave behind (a
// repaired file, a kept damaged copy) never reaches the next input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The folder, emptied. Aborts when it cannot be made.
const std::string &FreshScratchFolder();
// Writes bytes to name inside the folder and returns the full path.
std::string WriteScratchFile(const char *name, const uint8_t *data, size_t size);
std::string ReadScratchFile(const std::string &path);
// Ends the process with a message: a promise of the code under test was broken.
[[noreturn]] void FuzzFailure(const char *what);
