#include "platform/core/File.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vq {
namespace {

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// The folder part of a path, with its trailing slash ("./" for a bare name).
std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

ReadResult ReadWholeFile(std::string_view path, std::string& out, std::size_t maxBytes) {
    out.clear();
    const std::string name(path);
    // O_NONBLOCK: a FIFO in place of the file must not hang the caller.
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return ReadResult::kFailed;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    // The file may grow while it is read; read until the end, within the limit.
    for (;;) {
        if (got == out.size()) {
            if (out.size() >= maxBytes + 1)
                break;
            out.resize(std::min(maxBytes + 1, out.size() + 4096));
        }
        ssize_t r = ::read(fd, out.data() + got, out.size() - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return ReadResult::kFailed;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    if (got > maxBytes) {
        out.clear();
        return ReadResult::kFailed;
    }
    out.resize(got);
    return ReadResult::kOk;
}

std::string ResolveLinkTarget(std::string_view path) {
    std::string name(path);
    // As many hops as the system itself follows before it gives up (ELOOP).
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return name;
        }
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(name.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            return name;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            target = Folder(name) + target;
        }
        name = target;
    }
    return name;
}

bool WriteFileAtomic(std::string_view path, std::string_view data, mode_t mode) {
    if (path.empty()) {
        return false;
    }
    // Renaming over a link would replace the link by a plain file.
    const std::string name = ResolveLinkTarget(path);
    std::string tmp = name + ".XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), name.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here does not undo the write.
    const std::string dir = Folder(name);
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::recursive_mutex& SettingsFileMutex() {
    static std::recursive_mutex m;
    return m;
}

namespace {

// Guarded by SettingsFileMutex: how deep the holding thread is, and the locked folder.
int gSettingsDepth = 0;
int gSettingsFolderFd = -1;

}  // namespace

SettingsFileLock::SettingsFileLock(std::string_view path) {
    SettingsFileMutex().lock();
    if (gSettingsDepth++ > 0) {
        return;  // the outermost hold has the folder locked already
    }
    // The folder, not the file: the file is replaced by a rename at every write, and a
    // lock on the replaced one would exclude nobody.
    const std::string folder = Folder(ResolveLinkTarget(path));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    for (int waited = 0;; waited += 5) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            gSettingsFolderFd = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kSettingsLockWaitMs) {
            ::close(fd);
            return;
        }
        ::usleep(5000);
    }
}

SettingsFileLock::~SettingsFileLock() {
    if (--gSettingsDepth == 0 && gSettingsFolderFd >= 0) {
        ::close(gSettingsFolderFd);  // releases the advisory lock
        gSettingsFolderFd = -1;
    }
    SettingsFileMutex().unlock();
}

bool SettingsFileLock::Advisory() const {
    return gSettingsFolderFd >= 0;
}

}  // namespace vq
