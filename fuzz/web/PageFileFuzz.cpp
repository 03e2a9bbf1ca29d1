// The headless page model's reader of page files: any bytes, a bounded and consistent model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/web/PageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const fw::web::PageInfo info = fw::web::ParsePage(html);
    if (info.bodyBegin > info.bodyEnd || info.bodyEnd > html.size()) {
        std::abort();
    }
    if (info.elements.size() > fw::web::kMaxPageElements ||
        info.functions.size() > fw::web::kMaxPageFunctions) {
        std::abort();
    }
    for (std::size_t i = 0; i < info.elements.size(); ++i) {
        const fw::web::PageElement& e = info.elements[i];
        // A parent is always an element read before its child.
        if (e.parent >= int(i) || e.parent < -1) {
            std::abort();
        }
        if (e.form >= int(info.forms.size()) || e.form < -1) {
            std::abort();
        }
    }
    for (const fw::web::PageForm& form : info.forms) {
        for (std::size_t index : form.elements) {
            if (index >= info.elements.size()) {
                std::abort();
            }
        }
    }
    (void)fw::web::DecodeEntities(html);
    return 0;
}
