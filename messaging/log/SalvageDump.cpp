#include "messaging/log/SalvageDump.h"

namespace {

int Nibble(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

SalvageDumpReader::int_type SalvageDumpReader::overflow(int_type c) {
    if (c != traits_type::eof())
        Put(static_cast<char>(c));
    return traits_type::not_eof(c);
}

std::streamsize SalvageDumpReader::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i)
        Put(s[i]);
    return n;
}

void SalvageDumpReader::Put(char c) {
    if (c == '\n')
        EndLine();
    else if (line_.size() < kLongestLine)
        line_.push_back(c);
    else
        overlong_ = true;
}

void SalvageDumpReader::EndLine() {
    if (line_ == "HEADER=END") {
        inData_ = true;
    } else if (line_ == "DATA=END") {
        inData_ = false;
    } else if (inData_ && !stopped_ && !overlong_ && !line_.empty() && line_[0] == ' ' &&
               line_.size() % 2 == 1) {
        std::string bytes;
        bytes.reserve(line_.size() / 2);
        bool hex = true;
        for (std::size_t i = 1; hex && i < line_.size(); i += 2) {
            const int high = Nibble(line_[i]);
            const int low = Nibble(line_[i + 1]);
            hex = high >= 0 && low >= 0;
            bytes.push_back(static_cast<char>(high * 16 + low));
        }
        if (hex)
            stopped_ = !visit_(bytes);
    }
    line_.clear();
    overlong_ = false;
}
