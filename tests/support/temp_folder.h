// A fresh temporary folder that becomes the working directory for one test and is
// removed, with everything in it, afterwards.
#pragma once
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
};

// Whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &bytes);
