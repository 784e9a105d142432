#include "support/temp_folder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

TempFolder::TempFolder() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) != nullptr) previous_ = cwd;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/chtest.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
}

TempFolder::~TempFolder() {
    if (!previous_.empty()) (void)chdir(previous_.c_str());
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
