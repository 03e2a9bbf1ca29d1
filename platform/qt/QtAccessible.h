#pragma once
// Screen-reader support for what the core draws itself: drawn buttons, pictures and texts
// inside a top window's picture have no widget of their own, so the top window's
// accessible interface lists them as children.

namespace fw::qt {

// Installs the accessibility factory; called once the application object exists.
void InstallAccessibility();

}  // namespace fw::qt
