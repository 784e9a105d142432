// A resource file as the program may find one beside it (an old copy, a hand edit, a
// damaged download): reading any panel of it must end with a panel or an error code,
// and a panel loaded from it must be discarded cleanly.
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "platform/panel_resource.h"
#include "platform/panels.h"

namespace {

// The resource numbers the program loads, and a few it never uses.
constexpr int kResourceIds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, -1, 99};

}  // namespace

int FuzzResourceFile(const uint8_t *data, size_t size) {
    const std::string path = WriteScratchFile("KOR.uir", data, size);
    for (int id : kResourceIds) {
        for (bool with_ui : {false, true}) {
            PanelSpec layout;
            const int r = ReadPanelSpec(path, id, with_ui, &layout);
            if (r != 0 && r != kUIErrFile && r != kUIErrParse && r != kUIErrPanel)
                FuzzFailure("panel reading gave an unknown result");
            if (r == 0 && with_ui && layout.ui.empty()) FuzzFailure("panel without its document");
        }
    }
    // Building widgets is the slow part: the first three panels of the file only.
    for (int id = 1; id <= 3; ++id) {
        const int panel = LoadPanel(0, path.c_str(), id);
        if (panel > 0 && DiscardPanel(panel) != 0) FuzzFailure("a loaded panel cannot be discarded");
    }
    return 0;
}
