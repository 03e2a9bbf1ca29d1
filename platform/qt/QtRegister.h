#pragma once
// The Qt backend's entry points for the program; no Qt header here, so the system's own
// code can call them.

#include <memory>

#include "platform/Backend.h"

namespace fw::qt {

// Registers the backend under the name "qt"; the program calls this before fw::Init.
void RegisterBackend();
// The backend itself, creating the application object on first use. Null when no
// display can be reached (fw::Init then falls back to the headless backend).
std::unique_ptr<Backend> CreateBackend();

}  // namespace fw::qt
