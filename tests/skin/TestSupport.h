#pragma once
// Shared helpers of the skin tests: a temporary folder, test bitmaps, and the headless
// framework started once per test process.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Backend.h"
#include "platform/Bitmap.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/headless/Headless.h"

namespace skintest {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vq-skin-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline void WriteBmp(const std::filesystem::path& path, const fw::Bitmap& bmp) {
    const std::vector<std::uint8_t> bytes = bmp.ToBmp();
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// A w x h picture of one colour.
inline fw::Bitmap Solid(int w, int h, fw::Color c) {
    return fw::Bitmap(w, h, c);
}

// Starts the headless framework the first time it is needed in this process.
inline void EnsureFramework() {
    static const bool started = [] {
        return fw::InitWithBackend(fw::headless::CreateBackend(), "");
    }();
    ASSERT_TRUE(started);
}

// Registers bitmap files with the program's resources: each id gets its own file.
inline void RegisterBitmaps(const TempDir& dir,
                            const std::vector<std::pair<fw::UINT, fw::Bitmap>>& bitmaps) {
    std::string index;
    for (const auto& [id, bmp] : bitmaps) {
        const std::string name = "bmp" + std::to_string(id) + ".bmp";
        WriteBmp(dir.Path() / name, bmp);
        index += "bitmap " + std::to_string(id) + " " + name + "\n";
    }
    fw::Resources::Global().ParseIndex(index, dir.Str());
}

// The repository's own folder, as the build tells the tests.
inline std::filesystem::path SourceDir() {
    const char* dir = std::getenv("VQ_SOURCE_DIR");
    return dir != nullptr
               ? std::filesystem::path(dir)
               : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

}  // namespace skintest
