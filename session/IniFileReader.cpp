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
    fileName_.assign(name);
    return true;
}

bool CIniFileReader::Load() {
    Release();
    const vq::ReadResult r = vq::ReadWholeFile(fileName_, data_);
    unreadable_ = r == vq::ReadResult::kFailed;
    if (r != vq::ReadResult::kOk) {
        data_.clear();
        return false;
    }
    IndexSections();
    return !data_.empty();
}

bool CIniFileReader::LoadFromBuffer(std::string_view content) {
    Release();
    if (content.size() > vq::kMaxTextFileBytes) {
        unreadable_ = true;
        return false;
    }
    data_.assign(content);
    IndexSections();
    return !data_.empty();
}

void CIniFileReader::Release() {
    data_.clear();
    data_.shrink_to_fit();
    sections_.clear();
    unreadable_ = false;
}

void CIniFileReader::IndexSections() {
    sections_.clear();
    for (std::size_t i = 0; i < data_.size(); ++i) {
        if (data_[i] == '[' && (i == 0 || data_[i - 1] == '\n')) {
            sections_.push_back(static_cast<int>(i + 1));
        }
    }
}

int CIniFileReader::SectionPos(int i) const {
    if (i < 0 || i >= SectionCount()) {
        return -1;
    }
    return sections_[static_cast<std::size_t>(i)];
}

std::size_t CIniFileReader::NextLine(std::size_t pos) const {
    std::size_t nl = data_.find('\n', pos);
    return nl == kNpos ? data_.size() : nl + 1;
}

int CIniFileReader::FindSection(std::string_view name) const {
    for (int pos : sections_) {
        std::size_t end = static_cast<std::size_t>(pos);
        while (end < data_.size() && !EndsSectionName(data_[end])) {
            ++end;
        }
        if (std::string_view(data_).substr(pos, end - pos) == name) {
            return pos;
        }
    }
    return -1;
}

int CIniFileReader::FindKey(int sectionPos, std::string_view key) const {
    if (sectionPos < 0 || static_cast<std::size_t>(sectionPos) > data_.size()) {
        return -1;
    }
    for (std::size_t line = NextLine(sectionPos); line < data_.size(); line = NextLine(line)) {
        if (data_[line] == '[') {
            return -1;
        }
        std::size_t end = line;
        while (end < data_.size() && !EndsKey(data_[end])) {
            ++end;
        }
        if (end < data_.size() && data_[end] == '=' &&
            std::string_view(data_).substr(line, end - line) == key) {
            return static_cast<int>(end + 1);
        }
    }
    return -1;
}

std::string CIniFileReader::ReadValue(int pos) const {
    if (pos < 0 || static_cast<std::size_t>(pos) > data_.size()) {
        return {};
    }
    std::size_t end = static_cast<std::size_t>(pos);
    while (end < data_.size() && !EndsValue(data_[end])) {
        ++end;
    }
    return data_.substr(pos, end - pos);
}

int CIniFileReader::InsertionPoint(int sectionPos) const {
    std::size_t line = NextLine(static_cast<std::size_t>(sectionPos));
    while (line < data_.size() && !StopsInsertion(static_cast<unsigned char>(data_[line]))) {
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
    if (data_.size() + section.size() + key.size() + value.size() + 16 > vq::kMaxTextFileBytes) {
        return false;
    }

    int sec = FindSection(section);
    if (sec < 0) {
        data_ += "\r\n[";
        data_ += section;
        data_ += "]\r\n";
        IndexSections();
        sec = FindSection(section);
        if (sec < 0) {
            return false;  // cannot happen: the header was just written at a line start
        }
    }

    const int pos = FindKey(sec, key);
    if (pos >= 0) {
        std::size_t end = static_cast<std::size_t>(pos);
        while (end < data_.size() && !EndsValue(data_[end])) {
            ++end;
        }
        data_.replace(pos, end - pos, value);
    } else {
        const std::size_t at = static_cast<std::size_t>(InsertionPoint(sec));
        std::string line;
        // A last line without its line end would otherwise swallow the new key.
        if (at == data_.size() && at > 0 && data_[at - 1] != '\n') {
            line += "\r\n";
        }
        line += key;
        line += '=';
        line += value;
        line += "\r\n";
        data_.insert(at, line);
    }
    IndexSections();
    return true;
}

bool CIniFileReader::Save() const {
    if (unreadable_) {
        return false;
    }
    return vq::WriteFileAtomic(fileName_, data_, 0600);
}
