// Settings from "Setup.cnf" are bytes from a file that anything may have written. Before
// the program uses them, every field is brought into the range its readers expect.
#pragma once
#include "records/setup_record.h"

constexpr int kHighestComPort = 255;

// Corrects the record in memory; the file is left as it is and takes the corrected
// values with the next save. Strings lacking their NUL are cut to the field; an empty
// file name takes its default; a unit number outside its choices takes that unit's
// default; a port number outside 1..kHighestComPort becomes 1; the switches become 0 or
// 1 by the meaning the program gives them. Returns the number of fields corrected.
int SanitiseSetup(SetupRecord *record);
