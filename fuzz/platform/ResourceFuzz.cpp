// Resource definition and index files come from the disk: any bytes must parse safely.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fw::Resources r;
    r.ParseDefinitions(text, "fuzz.vqrc");
    r.ParseIndex(text, "/res");
    for (fw::UINT id : r.DialogIds()) {
        const fw::DialogTemplate* d = r.FindDialog(id);
        for (const auto& c : d->controls) {
            (void)c.rect.Width();
        }
    }
    return 0;
}
