// A language file as the user may choose any file: every text handed to the texts panel
// names one of its texts and stays within that text's limit; and coding the file twice gives it back.
#include <cstring>
#include <string>

#include "windows/language_file.h"
#include "exchange/code_decode.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"

namespace {

void CheckEntry(int control, const char *text, void *) {
    int count = 0;
    const LanguageText *texts = LanguageTexts(&count);
    for (int i = 0; i < count; ++i) {
        if (texts[i].control != control) continue;
        const size_t n = strlen(text);
        if (n > static_cast<size_t>(texts[i].limit)) FuzzFailure("text longer than its limit");
        return;
    }
    FuzzFailure("entry for a control that is no text of the texts panel");
}

}  // namespace

int FuzzLanguageFile(const uint8_t *data, size_t size) {
    const std::string path = WriteScratchFile("language.lwl", data, size);
    const std::string folder = path.substr(0, path.rfind('/'));
    LanguageStats stats{};
    if (ReadLanguageFile(path.c_str(), CheckEntry, nullptr, &stats) != 0)
        FuzzFailure("an existing language file could not be read");
    if (stats.applied < 0 || stats.unknown < 0 || stats.cut < 0 || stats.malformed < 0)
        FuzzFailure("negative counts");

    const std::string coded = folder + "/coded.lwl";
    const std::string decoded = folder + "/decoded.lwl";
    if (CodeDecodeFile(coded.c_str(), path.c_str()) != 0) FuzzFailure("coding failed");
    if (CodeDecodeFile(decoded.c_str(), coded.c_str()) != 0) FuzzFailure("decoding failed");
    const std::string original(reinterpret_cast<const char *>(data), size);
    if (ReadScratchFile(decoded) != original) FuzzFailure("coding twice did not give the file back");
    const std::string coded_bytes = ReadScratchFile(coded);
    if (coded_bytes.size() != size) FuzzFailure("coding changed the length");
    for (size_t i = 0; i < size; ++i)
        if (static_cast<uint8_t>(coded_bytes[i]) != (data[i] ^ LANGUAGE_FILE_CODING_BYTE))
            FuzzFailure("a byte was not coded with the coding byte");
    // A coded file read as a language file is just another file.
    (void)ReadLanguageFile(coded.c_str(), CheckEntry, nullptr, &stats);
    return 0;
}
