#pragma once
// The Qt WebEngine page view's entry points for the program; no Qt header here.
//
// RegisterWebView(): page dialogs made while the Qt backend runs get WebEngine views. Call it
// after fw::Init chose the Qt backend (the application object must exist); it also starts
// the browser engine at once, since its first start costs hundreds of milliseconds that
// would otherwise fall on the first page shown.
//
// As root, WebEngine refuses to start unless its sandbox is disabled; the program never
// disables it itself. Test and CI runs as root set QTWEBENGINE_DISABLE_SANDBOX=1.

namespace fw::qt {

void RegisterWebView();

}  // namespace fw::qt
