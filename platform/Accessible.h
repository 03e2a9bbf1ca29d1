#pragma once
// What a screen reader learns about the core's windows. Drawn buttons, pictures and texts
// have no native widget, so a backend describes them from here: a name, the states the
// picture shows (pressed, focused), and a note each time something a reader follows
// changes. UI thread only.
//
// A window's name, first found wins: the name set with SetAccessibleName; its text without
// the "&" mnemonic marker (a text of nothing but punctuation, such as the "--" of a drawn
// minimise button, names nothing); the text of a tooltip tool over it; the string table
// entry with the control's id (a string resource with a control's id describes it); for a
// top-level window without a text, the name of its first named picture or static (the
// title strip of a captionless skinned window).

#include <functional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fw {

struct AccessibleState {
    std::string name;        // GBK; empty when nothing names the window
    bool visible = false;    // the window and all its parents shown
    bool enabled = false;    // the window and all its parents enabled
    bool focused = false;    // the core's keyboard focus is on it
    bool pressed = false;    // a button held down by the mouse
    bool focusable = false;  // takes the keyboard (buttons, editors, lists)
    // A picture or text without a name: background or decoration, nothing to read out.
    bool decorative = false;
};

// Names a window that neither a text, a tooltip nor the string table names (controls made
// at run time without an id). An empty text removes the name. `nameGbk` is GBK.
void SetAccessibleName(HWND hwnd, const std::string& nameGbk);
// The name as a reader gets it (see above); "" for an unknown window.
std::string GetAccessibleName(HWND hwnd);
// False for an unknown window.
bool GetAccessibleState(HWND hwnd, AccessibleState& state);
// The text with every "&" marker taken out ("&&" stays one "&"), GBK-aware.
std::string StripMnemonic(const std::string& gbk);

// What a painted part is to a reader: a button or a link is pressed, a text only read.
enum class AccessiblePartRole { Button, Text, Link };

// A part of a window that is not a window of its own (the close and view areas and the
// message texts a pop-up paints): readers list it after the window, and pressing a button or
// a link is a left click at its centre, as the mouse gives it.
struct AccessiblePart {
    UINT id = 0;       // the window's own number for the part, not 0
    Rect rect;         // client coordinates of the window
    std::string name;  // GBK; a text part's whole text
    AccessiblePartRole role = AccessiblePartRole::Button;
    bool operator==(const AccessiblePart&) const = default;
};
// Replaces the window's parts (the same list again changes nothing).
void SetAccessibleParts(HWND hwnd, const std::vector<AccessiblePart>& parts);
std::vector<AccessiblePart> GetAccessibleParts(HWND hwnd);
// False when the window or the part is not there, the part is a text, or the window cannot
// take a click.
bool PressAccessiblePart(HWND hwnd, UINT partId);

// ---- Changes, for the backend ----
enum class AccessibleChange {
    Created,    // a window came into being
    Destroyed,  // about to go: the last moment its state can be read
    Name,       // its text or accessible name changed
    State,      // shown/hidden, enabled/disabled, pressed, checked
    Location,   // moved or resized
    Focus,      // the keyboard focus moved to it
    Reorder,    // its children or parts changed
};
using AccessibleListener = std::function<void(HWND, AccessibleChange)>;
// One listener for the process (the backend's accessibility bridge); null removes it.
// Called on the UI thread while the core is in the middle of the change: the listener
// reads state and must not create or destroy windows.
void SetAccessibleListener(AccessibleListener listener);

}  // namespace fw
