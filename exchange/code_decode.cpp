// Language files may be shipped coded so that casual editing does not break them. The
// coding is a plain exclusive-or with one byte; what matters here is that no byte value
// (0xFF included) ends the copy early and that a failed write is reported, not hidden.
#include "exchange/code_decode.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies source to the open target, coding every byte. false on a read or write error.
bool CodeBytes(FILE *source, FILE *target) {
    unsigned char buffer[4096];
    for (;;) {
        const size_t n = fread(buffer, 1, sizeof buffer, source);
        for (size_t i = 0; i < n; ++i) buffer[i] ^= LANGUAGE_FILE_CODING_BYTE;
        if (n > 0 && fwrite(buffer, 1, n, target) != n) return false;
        if (n < sizeof buffer) return ferror(source) == 0;
    }
}

}  // namespace

int CodeDecodeFile(const char *target_path, const char *source_path) {
    if (target_path == nullptr || source_path == nullptr) return -1;
    FILE *source = fopen(source_path, "r");
    if (source == nullptr) return -1;
    std::string temp = std::string(target_path) + ".tmpXXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        fclose(source);
        return -1;
    }
    (void)fchmod(fd, 0644);  // mkstemp makes 0600; a language file is an ordinary file
    FILE *target = fdopen(fd, "w");
    if (target == nullptr) {
        close(fd);
        unlink(temp.c_str());
        fclose(source);
        return -1;
    }
    const bool copied = CodeBytes(source, target);
    fclose(source);  // opened for reading only; its close cannot lose data
    const bool closed = fclose(target) == 0;
    if (!copied || !closed || rename(temp.c_str(), target_path) != 0) {
        unlink(temp.c_str());
        return -2;
    }
    return 0;
}
