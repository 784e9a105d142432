#include "support/test_data.h"

std::string TestDataPath(const std::string &name) {
    // This file lives in tests/support; the data in tests/data.
    std::string here = __FILE__;
    const size_t slash = here.rfind("/support/");
    return here.substr(0, slash) + "/data/" + name;
}
