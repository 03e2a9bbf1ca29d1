// Start-up registration of the notifier control library that ships beside the program.
#pragma once

#include <string>

// Loads "Pallinote.ocx" from programDir (ending in "/") and calls its
// DllRegisterServer. On a negative result the library is unloaded; otherwise
// it stays loaded for the process. Every failure is silent; the result only
// tells whether the registration succeeded.
bool RegisterNotifierControl(const std::string& programDir);
