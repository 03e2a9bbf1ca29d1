#pragma once
// Other programs' top-level windows under X11, read straight from the X server: the
// window manager's stacking list when there is one, else the root window's mapped
// children. No Qt in this file (the fuzzer builds the decoders alone).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace fw::qt::x11 {

struct XWindow {
    std::uint32_t id = 0;
    std::string title;  // GBK
    bool visible = false;
};

// A property of 32-bit window ids as the server sends it; other formats give nothing.
std::vector<std::uint32_t> DecodeWindowList(int format, std::span<const std::uint8_t> bytes);
// A window title property (UTF-8 or Latin-1) as GBK, cut at the first NUL.
std::string DecodeTitle(bool utf8, std::span<const std::uint8_t> bytes);

#ifdef VQ_HAVE_XCB
// Top-level windows, topmost first, leaving out `own`.
std::vector<XWindow> ListTopLevels(xcb_connection_t* connection,
                                   const std::vector<std::uint32_t>& own);
// Raises and activates a window; false when it does not exist.
bool Activate(xcb_connection_t* connection, std::uint32_t id);
#endif

}  // namespace fw::qt::x11
