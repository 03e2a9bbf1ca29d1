// What the control reads from outside: a saved property stream (Load), bytes
// from its socket (DecodeReceived) and message texts with link markup.
#include <cstdint>
#include <vector>

#include "notifier/MsgManage.h"
#include "notifier/NotifierSocket.h"
#include "notifier/PallinoteCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CPallinoteCtrl* ctrl = [] {
        void* p = nullptr;
        CPallinoteCtrl::CreateInstance(nullptr, IID_IPersistStreamInit, &p);
        return static_cast<CPallinoteCtrl*>(static_cast<IPersistStreamInit*>(p));
    }();
    auto stream = CMemoryStream::Create(std::vector<std::uint8_t>(data, data + size));
    if (SUCCEEDED(ctrl->Load(stream.Get()))) {
        auto out = CMemoryStream::Create();
        ctrl->Save(out.Get(), true);
    }
    (void)DecodeReceived(reinterpret_cast<const char*>(data), size);

    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    CMsgManage msg;
    msg.ParseText(text);
    (void)msg.Layout(0, kMsgLayoutWidth, kMsgHeightLimit);
    (void)DecimalValue(text);
    return 0;
}
