#pragma once
// Whole-file INI editor for config.ini: load, find, change in memory, write back whole.
//
// Syntax as this class sees it (names are case-sensitive, nothing is trimmed):
// - A section starts with "[" at the beginning of a line; its name runs to the first
//   tab, "\r", "\n", ";" or "]".
// - A key line starts at the beginning of a line; the key runs to the first "\r",
//   "\n", ";" or "="; the value from after the "=" to the first tab, "\r", "\n", ";"
//   or "]". So "IsRemFlag = 1" is no IsRemFlag, and "a;b" reads back as "a".
// - New sections are written as "\r\n[name]\r\n", new keys as "key=value\r\n".
// A new key goes where the first line after the section header that is empty or
// begins with a blank, tab, "/", 0xFD, 0xFF or "[" stands (or at the end). Stopping
// at "[" keeps a key of a section with no blank line below it inside its own section;
// files this program writes have that blank line, so they change exactly as before.
//
// Positions are byte offsets into the content; -1 means "not found".

#include <string>
#include <string_view>
#include <vector>

class CIniFileReader {
public:
    static constexpr std::string_view kDefaultFileName = ".//config.ini";
    // The file name field holds 259 bytes and its terminator.
    static constexpr std::size_t kMaxFileName = 259;

    CIniFileReader() = default;

    // The file Load reads and Save writes; false (name unchanged) when too long or empty.
    bool SetFileName(std::string_view name);
    const std::string& FileName() const { return fileName_; }

    // Drops any previous content and reads the whole file. False for a missing, empty
    // or unreadable file, which leaves the content empty.
    bool Load();
    // Same as Load, with the content taken from memory.
    bool LoadFromBuffer(std::string_view content);

    int FindSection(std::string_view name) const;
    // From a position returned by FindSection: the position just after "=" of the
    // section's first line whose key is `key`, or -1. Stops at a line beginning with "[".
    int FindKey(int sectionPos, std::string_view key) const;
    // The value text at a position from FindKey; empty for -1 or a position out of range.
    std::string ReadValue(int pos) const;

    // Sets key = value in section, creating either as needed. Refuses (false, content
    // unchanged) names or values that would break the line structure: line breaks
    // anywhere, a key holding "=" or ";" or beginning with "[", a section holding
    // tab, ";" or "]", empty names, or content growing past the file limit.
    bool SetValue(std::string_view key, std::string_view section, std::string_view value);

    void Release();

    // The caller's write-back: replaces the file with the whole content (atomically,
    // mode 0600). Refused after a Load that found the file unreadable, so a file that
    // could not be read is never overwritten with a fragment.
    bool Save() const;

    std::string_view Content() const { return data_; }
    int Length() const { return static_cast<int>(data_.size()); }
    int SectionCount() const { return static_cast<int>(sections_.size()); }
    // Position of the byte after "[" of section i (0-based), or -1.
    int SectionPos(int i) const;

private:
    void IndexSections();
    int InsertionPoint(int sectionPos) const;
    std::size_t NextLine(std::size_t pos) const;

    std::string fileName_{kDefaultFileName};
    std::string data_;
    std::vector<int> sections_;
    bool unreadable_ = false;
};
