#include "session/IniFileReader.h"

#include "platform/core/File.h"

namespace {

constexpr std::size_t kNpos = std::string::npos;

bool EndsSectionName(char c) {
    return c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ']';
}
bool EndsKey(char c) {
    return c == '\r' || c == '\n' || c == ';' || c == '=';
}
bool EndsValue(char c) {
    return c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ']';
}

// Lines at which a new key is inserted: empty or indented lines, "/" comments, the
// 0xFD/0xFF filler bytes, and the next section header.
bool StopsInsertion(unsigned char c) {
    return c == '\r' || c == '\t' || c == '\n' || c == ' ' || c == '/' || c == 0xFD || c == 0xFF ||
           c == '[';
}

bool Contains(std::string_view s, std::string_view chars) {
    return s.find_first_of(chars) != std::string_view::npos;
}

}  // namespace

bool CIniFileReader::SetFileName(std::string_view name) {
    if (name.empty() || name.size() > kMaxFileName) {
        return false;
    }
    m_szFileName.assign(name);
    return true;
}

bool CIniFileReader::Load() {
    Release();
    const vq::ReadResult r = vq::ReadWholeFile(m_szFileName, m_data);
    m_unreadable = r == vq::ReadResult::kFailed;
    if (r != vq::ReadResult::kOk) {
        m_data.clear();
        return false;
    }
    IndexSections();
    return !m_data.empty();
}

bool CIniFileReader::LoadFromBuffer(std::string_view content) {
    Release();
    if (content.size() > vq::kMaxTextFileBytes) {
        m_unreadable = true;
        return false;
    }
    m_data.assign(content);
    IndexSections();
    return !m_data.empty();
}

void CIniFileReader::Release() {
    m_data.clear();
    m_data.shrink_to_fit();
    m_sections.clear();
    m_unreadable = false;
}

void CIniFileReader::IndexSections() {
    m_sections.clear();
    for (std::size_t i = 0; i < m_data.size(); ++i) {
        if (m_data[i] == '[' && (i == 0 || m_data[i - 1] == '\n')) {
            m_sections.push_back(static_cast<int>(i + 1));
        }
    }
}

int CIniFileReader::SectionPos(int i) const {
    if (i < 0 || i >= SectionCount()) {
        return -1;
    }
    return m_sections[static_cast<std::size_t>(i)];
}

std::size_t CIniFileReader::NextLine(std::size_t pos) const {
    std::size_t nl = m_data.find('\n', pos);
    return nl == kNpos ? m_data.size() : nl + 1;
}

int CIniFileReader::FindSection(std::string_view name) const {
    for (int pos : m_sections) {
        std::size_t end = static_cast<std::size_t>(pos);
        while (end < m_data.size() && !EndsSectionName(m_data[end])) {
            ++end;
        }
        if (std::string_view(m_data).substr(pos, end - pos) == name) {
            return pos;
        }
    }
    return -1;
}

int CIniFileReader::FindKey(int sectionPos, std::string_view key) const {
    if (sectionPos < 0 || static_cast<std::size_t>(sectionPos) > m_data.size()) {
        return -1;
    }
    for (std::size_t line = NextLine(sectionPos); line < m_data.size(); line = NextLine(line)) {
        if (m_data[line] == '[') {
            return -1;
        }
        std::size_t end = line;
        while (end < m_data.size() && !EndsKey(m_data[end])) {
            ++end;
        }
        if (end < m_data.size() && m_data[end] == '=' &&
            std::string_view(m_data).substr(line, end - line) == key) {
            return static_cast<int>(end + 1);
        }
    }
    return -1;
}

std::string CIniFileReader::ReadValue(int pos) const {
    if (pos < 0 || static_cast<std::size_t>(pos) > m_data.size()) {
        return {};
    }
    std::size_t end = static_cast<std::size_t>(pos);
    while (end < m_data.size() && !EndsValue(m_data[end])) {
        ++end;
    }
    return m_data.substr(pos, end - pos);
}

int CIniFileReader::InsertionPoint(int sectionPos) const {
    std::size_t line = NextLine(static_cast<std::size_t>(sectionPos));
    while (line < m_data.size() && !StopsInsertion(static_cast<unsigned char>(m_data[line]))) {
        line = NextLine(line);
    }
    return static_cast<int>(line);
}

bool CIniFileReader::SetValue(std::string_view key, std::string_view section,
                              std::string_view value) {
    if (key.empty() || section.empty() || key.front() == '[' ||
        Contains(key, std::string_view("\r\n;=", 4)) ||
        Contains(section, std::string_view("\t\r\n;]", 5)) || Contains(value, "\r\n")) {
        return false;
    }
    // Generous bound on what this call adds: new section, key line and value.
    if (m_data.size() + section.size() + key.size() + value.size() + 16 > vq::kMaxTextFileBytes) {
        return false;
    }

    int sec = FindSection(section);
    if (sec < 0) {
        m_data += "\r\n[";
        m_data += section;
        m_data += "]\r\n";
        IndexSections();
        sec = FindSection(section);
        if (sec < 0) {
            return false;  // cannot happen: the header was just written at a line start
        }
    }

    const int pos = FindKey(sec, key);
    if (pos >= 0) {
        std::size_t end = static_cast<std::size_t>(pos);
        while (end < m_data.size() && !EndsValue(m_data[end])) {
            ++end;
        }
        m_data.replace(pos, end - pos, value);
    } else {
        const std::size_t at = static_cast<std::size_t>(InsertionPoint(sec));
        std::string line;
        // A last line without its line end would otherwise swallow the new key.
        if (at == m_data.size() && at > 0 && m_data[at - 1] != '\n') {
            line += "\r\n";
        }
        line += key;
        line += '=';
        line += value;
        line += "\r\n";
        m_data.insert(at, line);
    }
    IndexSections();
    return true;
}

bool CIniFileReader::Save() const {
    if (m_unreadable) {
        return false;
    }
    return vq::WriteFileAtomic(m_szFileName, m_data, 0600);
}
