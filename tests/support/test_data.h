// Files kept beside the tests (tests/data), found from the source tree.
#pragma once
#include <string>

std::string TestDataPath(const std::string &name);
