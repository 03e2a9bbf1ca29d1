#pragma once

// Shown in the about box and sent nowhere else.
inline constexpr const char* kOrvanelVersion = "3.0";
