// Feeds arbitrary bytes to both INI parsers and checks that a value set is found again.
//
// Input: three short fields (section, key, value) separated by 0x00, then the content.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "session/IniFileReader.h"
#include "platform/core/Profile.h"
#include "platform/core/Text.h"

namespace {

std::string_view Field(std::string_view& in) {
    const std::size_t end = in.find('\0');
    std::string_view f = in.substr(0, end);
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
    return f;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void FuzzIniFileReader(std::string_view section, std::string_view key, std::string_view value,
                       std::string_view content) {
    CIniFileReader ini;
    ini.LoadFromBuffer(content);
    for (int i = 0; i < ini.SectionCount(); ++i) {
        const int pos = ini.SectionPos(i);
        Check(pos > 0 && pos <= ini.Length() && ini.Content()[pos - 1] == '[');
        ini.ReadValue(ini.FindKey(pos, key));
    }
    ini.ReadValue(ini.FindKey(ini.FindSection(section), key));
    if (!ini.SetValue(key, section, value))
        return;
    const int sec = ini.FindSection(section);
    Check(sec >= 0);
    const int pos = ini.FindKey(sec, key);
    Check(pos >= 0);
    const std::string_view expected = value.substr(0, value.find_first_of("\t;]"));
    Check(ini.ReadValue(pos) == expected);
}

void FuzzProfile(std::string_view section, std::string_view key, std::string_view value,
                 std::string_view content) {
    std::string found;
    if (vq::FindProfileValue(content, section, key, found)) {
        const std::size_t cut = vq::GbkCutLength(found, 10);
        Check(cut <= 10 && cut <= found.size());
    }
    std::string edited(content);
    if (!vq::SetProfileValue(edited, section, key, value))
        return;
    Check(vq::FindProfileValue(edited, section, key, found));
    Check(found == Trim(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Field(in);
    const std::string_view key = Field(in);
    const std::string_view value = Field(in);
    FuzzIniFileReader(section, key, value, in);
    FuzzProfile(section, key, value, in);
    return 0;
}
