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
// A symbolic link is written through: its final target is replaced and the link stays.
bool WriteFileAtomic(std::string_view path, std::string_view data, mode_t mode = 0600);

// The file that `path` finally names when its last component is a symbolic link (or a
// chain of them, relative ones resolved against the link's folder); `path` itself when
// it is not a link. The target need not exist yet.
std::string ResolveLinkTarget(std::string_view path);

// Serialises the read-modify-write cycles on settings files within the process, so two
// windows changing config.ini at once do not lose each other's change.
std::recursive_mutex& SettingsFileMutex();

// Held around every read-modify-write of a settings file: takes SettingsFileMutex and,
// in the outermost hold, an advisory lock on the folder of the file's final target, so
// that two running programs sharing the file do not interleave either. The advisory lock
// is waited for at most kSettingsLockWaitMs; a folder that cannot be locked (or a holder
// that never lets go) does not stop the write, it only goes unserialised.
inline constexpr int kSettingsLockWaitMs = 3000;
class SettingsFileLock {
public:
    explicit SettingsFileLock(std::string_view path);
    ~SettingsFileLock();
    SettingsFileLock(const SettingsFileLock&) = delete;
    SettingsFileLock& operator=(const SettingsFileLock&) = delete;

    // Whether the advisory lock is held (by this hold or an outer one).
    bool Advisory() const;
};

}  // namespace vq
