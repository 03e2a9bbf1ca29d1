#pragma once
// Reads the dump Berkeley DB's salvage writes for a damaged record-number file: a header up
// to "HEADER=END", then one line per record, a space and the bytes in lower-case hex, up to
// "DATA=END". The salvage reads every page on its own and follows no pointer it has not
// checked, so it is the safe way to read a file a killed writer left half written.
//
// The reader is the stream the salvage writes to: each complete record line is decoded and
// handed to `visit` (in page order, which is append order for the log) as it arrives; a
// line that is not one (odd length, other characters, longer than any record) is passed
// over. `visit` returns false to take no more.

#include <cstddef>
#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

class SalvageDumpReader : public std::streambuf {
public:
    explicit SalvageDumpReader(const std::function<bool(std::string_view)>& visit)
        : visit_(visit) {}
    // Takes a last line that had no line end.
    void Finish() { EndLine(); }

    // No record of the log comes near this; a longer line is not one of its records.
    static constexpr std::size_t kLongestLine = std::size_t{1} << 26;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    void Put(char c);
    void EndLine();

    const std::function<bool(std::string_view)>& visit_;
    std::string line_;
    bool inData_ = false;
    bool overlong_ = false;
    bool stopped_ = false;
};
