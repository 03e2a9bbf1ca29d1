#pragma once
// The rules of the forms that need no window: the service address and port as config.ini
// keeps them, the favourite-column buttons made from a "getallcolumn" reply, the login
// states, and letter-case-blind comparison of passwords. Everything here reads bytes that
// came from a file or the service, so it is bounds-checked and fuzzed (fuzz/forms).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

class RecordSet;

// ---- Network settings ----

// The port as typed: decimal digits only (no sign, no blanks), a value from 1 to 65535.
std::optional<int> ParsePortText(std::string_view text);

using DottedAddress = std::array<std::uint8_t, 4>;
// "a.b.c.d" with each part one to three decimal digits from 0 to 255; most significant
// part first. Anything else (blanks, a fifth part, a host name) is no address.
std::optional<DottedAddress> ParseDottedAddress(std::string_view text);
// "%d.%d.%d.%d": every part a plain decimal number, without leading zeros.
std::string FormatDottedAddress(const DottedAddress& parts);

// ---- Favourite columns ----

// Run-time buttons get 2000 + the column id; only 2000-2150 choose a column.
inline constexpr fw::UINT kColumnButtonBase = 2000;
inline constexpr fw::UINT kLastChoosableButton = 2150;
// A reply with more columns than this gets buttons for the first ones only: the page has
// room for a few dozen, and every button is a window.
inline constexpr std::size_t kMaxColumnButtons = 256;
// Placement: three to a line at left 80, 180, 280; the first line at top 80, then one
// line every 30 pixels; 80 x 40 each.
inline constexpr int kColumnLeft = 80;
inline constexpr int kColumnStep = 100;
inline constexpr int kColumnFirstTop = 80;
inline constexpr int kColumnLineStep = 30;
inline constexpr int kColumnWidth = 80;
inline constexpr int kColumnHeight = 40;

struct ColumnButton {
    fw::UINT id = 0;
    std::string caption;  // prd_menu_name, GBK
    fw::Rect rect;        // in the favourites page's client coordinates
};

// The place of the index-th button (0-based) of a reply.
fw::Rect ColumnButtonRect(std::size_t index);
// The buttons for the rows of a "getallcolumn" record set, in row order. A row whose
// prd_menu_id is not a decimal number that keeps the button id within 16 bits gets no
// button: an id like "-937" would otherwise become a control id of the page itself.
std::vector<ColumnButton> ColumnButtons(RecordSet& set);
// The column a button chooses ("0" to "150"), or nothing for any other control id.
std::optional<std::string> ChosenColumn(fw::UINT buttonId);

// ---- Login states ----

struct LoginStateChoice {
    fw::UINT radio;    // the radio button
    char value;        // stored in [LoginStateFLag] value and sent as `state`
    fw::UINT picture;  // the radio button's bitmap
};
inline constexpr std::array<LoginStateChoice, 4> kLoginStates{{
    {1089, '0', 273},
    {1090, '2', 272},
    {1091, '1', 275},
    {1092, '3', 274},
}};
// The radio button of a stored value; 0 for a value that is none of the four.
fw::UINT LoginStateRadio(std::string_view stored);
// The value of a radio button; 0 for a control that is none of the four.
char LoginStateValue(fw::UINT radio);

// ---- Passwords ----

// Equal when they differ at most in the letter case of ASCII letters; the second byte of
// a GBK character is compared exactly, so two different Chinese characters never match.
bool SameIgnoringCase(std::string_view a, std::string_view b);
