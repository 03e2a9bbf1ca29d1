#include "platform/core/File.h"

#include <fcntl.h>
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

bool WriteFileAtomic(std::string_view path, std::string_view data, mode_t mode) {
    if (path.empty()) {
        return false;
    }
    const std::string name(path);
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
    const std::size_t slash = name.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : name.substr(0, slash + 1);
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

}  // namespace vq
