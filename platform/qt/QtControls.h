#pragma once
// Native widgets for the controls a desktop draws itself: editors, rich edits, IP address
// fields, check boxes, radio buttons, plain push buttons, and the page/control sites.
// User edits are reported as the user typing over the changed stretch, so the core's
// limit, digits-only and read-only rules apply and rich edit pictures stay in place.

#include <QWidget>
#include <cstdint>

#include "platform/qt/QtBackend.h"

namespace fw::qt {

// Whether `info` is shown by a native widget rather than by the picture.
bool IsNativeKind(const WindowInfo& info);
// Makes the native widget of a control (not yet placed or shown).
QWidget* MakeControl(QtBackend& backend, const WindowInfo& info, QWidget* parent);
// Puts the model's state into the widget.
void ApplyControl(QtBackend& backend, QtBackend::WindowEntry& entry, std::uint32_t bits);
// The editor's text as shown, built from the model.
QtBackend::ShownText ShowText(const std::string& gbk, const std::vector<RichItem>* rich);
// The change from `before` to `after` as a replacement of core characters
// [first, last) by `inserted` (GBK, line breaks as "\r\n"). False when nothing changed.
bool DiffEdit(const QtBackend::ShownText& before, const QString& after, int& first, int& last,
              std::string& inserted);

}  // namespace fw::qt
