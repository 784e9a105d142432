// Coding of language files: every byte combined with one constant byte by exclusive-or,
// so the same operation codes a plain file and decodes a coded one.
#pragma once

constexpr unsigned char LANGUAGE_FILE_CODING_BYTE = 0xA5;

// Writes the coded (or decoded) bytes of source_path to target_path. The target is
// written beside itself first and takes its name only when complete, so a failure never
// leaves half a file and target and source may be the same file. 0 on success; -1 when
// the source cannot be opened for reading or the target cannot be created; -2 when a
// read, write or close fails (the target is then left as it was).
int CodeDecodeFile(const char *target_path, const char *source_path);
