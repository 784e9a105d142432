// Texts with named fields: "Port {port} cannot be opened: {reason}". A language file may
// put the fields in any order its grammar needs, and a translator's text is never used
// as a format, so a stray "%" or brace in it does no harm.
#pragma once
#include <string>

struct TextField {
    const char *name;   // without braces: "port"
    const char *value;
};

// The pattern with every {name} of fields replaced by its value; braces around anything
// else stay as they are. Nothing is cut: the result is as long as it needs to be.
std::string FillTextFields(const char *pattern, const TextField *fields, int count);
