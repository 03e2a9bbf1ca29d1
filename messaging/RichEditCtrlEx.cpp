#include "messaging/RichEditCtrlEx.h"

bool CRichEditCtrlEx::Create(fw::DWORD style, const fw::Rect& rect, fw::Window* parent,
                             fw::UINT id) {
    return fw::RichEdit::Create(style | fw::WS_CHILD, rect, parent, id);
}

void CRichEditCtrlEx::SetAutoURLDetect(bool on) {
    SendMessage(fw::EM_AUTOURLDETECT, on ? 1 : 0, 0);
}
