#pragma once
// The rich edit control the chat and history windows create in code: a framework rich edit
// (pictures as characters, links, event mask) with the two operations they call.

#include "platform/Window.h"

class CRichEditCtrlEx : public fw::RichEdit {
public:
    // A child rich edit with `style` (WS_CHILD is added) at `rect` of `parent`, id `id`.
    bool Create(fw::DWORD style, const fw::Rect& rect, fw::Window* parent, fw::UINT id);
    // EM_AUTOURLDETECT with the given flag.
    void SetAutoURLDetect(bool on = true);
};
