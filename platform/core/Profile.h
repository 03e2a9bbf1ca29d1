#pragma once
// Private-profile (INI) functions, as the program uses them for config.ini and skin.ini.
//
// Rules
// Reading:
// - The file is read whole as bytes (GBK). Lines end with "\n"; a "\r" before it is
//   dropped, so "\r\n" and "\n" files read alike.
// - Blanks (space, tab, and a stray "\r") at the start and the end of a line, a
//   name or a value are ignored.
// - A line whose first non-blank byte is ";" is a comment.
// - A line whose first non-blank byte is "[" starts a section; its name runs to the
//   next "]" (or the end of the line), blanks around it trimmed.
// - Any other line holding "=" is a key line of the current section: the key is the
//   text before the first "=", the value the text after it, both trimmed.
//   Lines without "=", and key lines before the first section, are ignored.
// - Section and key names are compared without regard to ASCII case; other bytes must
//   match exactly. Only the first section of a name counts, and in it the first key.
// - Values are taken as they stand: no quotes removed, no escapes, no continuation
//   lines; a ";" inside a value belongs to the value.
// - A missing or unreadable file reads as an empty one.
// Writing:
// - An existing key line is rewritten as "<key as spelled in the file>=<value>",
//   keeping the line's end; nothing else in the file changes.
// - A new key becomes the line "key=value\r\n" just after the last key line of its
//   section (just after the header when there is none), so the blank line that
//   separates it from the next section stays below it.
// - A missing section is appended at the end: a blank line (when the file is not
//   empty), "[section]\r\n", then "key=value\r\n". An unterminated last line is ended
//   with "\r\n" first.
// - The file is created on first write (its folder must exist) and is always replaced
//   atomically with mode 0600; a symbolic link is written through and stays a link.
// - Each write is one read-modify-write under SettingsFileLock, so writers in this and
//   in other running programs do not lose each other's changes.
// - Refused (false, file untouched): an empty section or key; blanks at either end of
//   a section or key; "]" in a section; "=" in a key or a key beginning with "[" or ";";
//   "\r" or "\n" anywhere, including the value (it would let a value forge other lines).
// What CIniFileReader agrees on: "[Name]" and "Key=Value" at the very start of lines,
// values without tab, ";", "]", "\r", "\n", lines ending in "\r\n". Beyond that it
// differs: it compares names case-sensitively, trims nothing, and ends a value at
// tab, ";" or "]".

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

// The value of `key` in `section`, or `def` when the key is absent; either is cut to
// maxChars - 1 bytes without splitting a GBK character, as a buffer of maxChars would
// hold it (maxChars 0 gives an empty text).
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t maxChars,
                                    std::string_view path);

// The value read as atoi does (blanks, a sign, decimal digits, then anything; no
// digits give 0; out-of-range values are clamped), or `def` when the key is absent
// or its value is empty.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         std::string_view path);

// Sets `key` in `section` to `value`; false when refused or when the file cannot be
// read or written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view path);

// The parsing behind GetPrivateProfileString, on content already in memory: the value
// (untruncated), or false when the key is absent.
bool FindProfileValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string& value);

// The editing behind WritePrivateProfileString, on content in memory.
bool SetProfileValue(std::string& content, std::string_view section, std::string_view key,
                     std::string_view value);

// atoi without its undefined behaviour on overflow.
int ParseIntLikeAtoi(std::string_view text);

}  // namespace vq
