#include "fuzz/fuzz_scratch.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace {

std::string scratch;

void EmptyFolder(const std::string &folder) {
    DIR *dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent *e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
}

void RemoveScratch() {
    EmptyFolder(scratch);
    rmdir(scratch.c_str());
}

}  // namespace

[[noreturn]] void FuzzFailure(const char *what) {
    fprintf(stderr, "fuzz target: %s\n", what);
    abort();
}

const std::string &FreshScratchFolder() {
    if (scratch.empty()) {
        char pattern[] = "/tmp/chfuzz.XXXXXX";
        if (mkdtemp(pattern) == nullptr) FuzzFailure("cannot make a scratch folder");
        scratch = pattern;
        atexit(RemoveScratch);
    }
    EmptyFolder(scratch);
    return scratch;
}

std::string WriteScratchFile(const char *name, const uint8_t *data, size_t size) {
    const std::string path = FreshScratchFolder() + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) FuzzFailure("cannot write a scratch file");
    if (size > 0 && fwrite(data, 1, size, f) != size) FuzzFailure("cannot write a scratch file");
    if (fclose(f) != 0) FuzzFailure("cannot write a scratch file");
    return path;
}

std::string ReadScratchFile(const std::string &path) {
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}
