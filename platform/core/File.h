#pragma once
// Whole-file reading and crash-safe whole-file writing for the small text files the
// program keeps (config.ini, skin.ini). Paths are UTF-8.

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace vq {

// Larger files are refused rather than read: no settings file comes near this.
inline constexpr std::size_t kMaxTextFileBytes = 16u << 20;

enum class ReadResult { kOk, kMissing, kFailed };

// Reads a regular file whole into `out` (cleared first). kMissing when it does not
// exist; kFailed when it is not a regular file, cannot be read or exceeds maxBytes.
ReadResult ReadWholeFile(std::string_view path, std::string& out,
                         std::size_t maxBytes = kMaxTextFileBytes);

// Replaces the file with `data`: written to a temporary file in the same folder,
// flushed to disk, then renamed over the old one, so a crash leaves either the old or
// the new content. The file gets `mode` (0600 by default: config.ini holds a password).
bool WriteFileAtomic(std::string_view path, std::string_view data, mode_t mode = 0600);

// Serialises the read-modify-write cycles on settings files within the process, so two
// windows changing config.ini at once do not lose each other's change.
std::recursive_mutex& SettingsFileMutex();

}  // namespace vq
