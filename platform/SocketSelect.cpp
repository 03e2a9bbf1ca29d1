// Socket readiness delivered to windows: one watcher thread polls the watched sockets and
// posts the window's message. A read notice is re-armed only after the window has handled
// the previous one, so a handler that reads once per notice sees one notice per read.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Framework.h"
#include "platform/Internal.h"

namespace fw {

namespace {

struct Watch {
    HWND hwnd = kNoWindow;
    UINT message = 0;
    long events = 0;
    bool armed = true;
};

class Watcher {
public:
    ~Watcher() {
        {
            std::lock_guard<std::mutex> lock(lock_);
            stop_ = true;
        }
        Poke();
        if (thread_.joinable()) {
            thread_.join();
        }
        if (pipe_[0] >= 0) {
            ::close(pipe_[0]);
            ::close(pipe_[1]);
        }
    }

    bool Set(int fd, HWND hwnd, UINT message, long events) {
        std::lock_guard<std::mutex> lock(lock_);
        if (events == 0) {
            watches_.erase(fd);
        } else {
            if (!Start()) {
                return false;
            }
            watches_[fd] = Watch{hwnd, message, events, true};
        }
        Poke();
        return true;
    }

    void StopWindow(HWND hwnd) {
        std::lock_guard<std::mutex> lock(lock_);
        std::erase_if(watches_, [hwnd](const auto& kv) { return kv.second.hwnd == hwnd; });
        Poke();
    }

    void Rearm(int fd, HWND hwnd) {
        std::lock_guard<std::mutex> lock(lock_);
        auto it = watches_.find(fd);
        if (it != watches_.end() && it->second.hwnd == hwnd) {
            it->second.armed = true;
        }
        Poke();
    }

private:
    bool Start() {
        if (thread_.joinable()) {
            return true;
        }
        if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            pipe_[0] = pipe_[1] = -1;
            return false;
        }
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    void Poke() {
        if (pipe_[1] >= 0) {
            const char b = 0;
            [[maybe_unused]] ssize_t n = ::write(pipe_[1], &b, 1);
        }
    }

    void Run() {
        std::vector<pollfd> fds;
        for (;;) {
            fds.clear();
            fds.push_back({pipe_[0], POLLIN, 0});
            {
                std::lock_guard<std::mutex> lock(lock_);
                if (stop_) {
                    return;
                }
                for (const auto& [fd, w] : watches_) {
                    if (w.armed) {
                        fds.push_back({fd, POLLIN, 0});
                    }
                }
            }
            if (::poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) {
                return;
            }
            if ((fds[0].revents & POLLIN) != 0) {
                char buf[64];
                while (::read(pipe_[0], buf, sizeof buf) > 0) {
                }
            }
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents != 0) {
                    Deliver(fds[i].fd, fds[i].revents);
                }
            }
        }
    }

    void Deliver(int fd, short revents) {
        long event = FD_READ;
        char probe = 0;
        const ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0) {
            event = FD_CLOSE;
        } else if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                return;
            }
            if (errno == ENOTSOCK) {
                event = (revents & POLLIN) != 0 ? FD_READ : FD_CLOSE;
            } else {
                event = FD_CLOSE;
            }
        }
        Watch w;
        {
            std::lock_guard<std::mutex> lock(lock_);
            auto it = watches_.find(fd);
            if (it == watches_.end() || !it->second.armed) {
                return;
            }
            w = it->second;
            if (event == FD_CLOSE) {
                watches_.erase(it);
            } else {
                it->second.armed = false;
            }
        }
        if ((w.events & event) == 0) {
            if (event == FD_READ) {
                // Not asked for: keep it quiet until the watch changes.
                return;
            }
            return;
        }
        detail::QueueItem item;
        item.hwnd = w.hwnd;
        item.message = w.message;
        item.wParam = WPARAM(fd);
        item.lParam = event;
        if (event == FD_READ) {
            const HWND hwnd = w.hwnd;
            item.after = [this, fd, hwnd] { Rearm(fd, hwnd); };
        }
        if (!IsWindow(w.hwnd)) {
            return;
        }
        detail::Enqueue(std::move(item));
    }

    std::mutex lock_;
    std::map<int, Watch> watches_;
    std::thread thread_;
    int pipe_[2] = {-1, -1};
    bool stop_ = false;
};

Watcher& TheWatcher() {
    static Watcher w;
    return w;
}

}  // namespace

bool AsyncSelect(int fd, HWND hwnd, UINT message, long events) {
    if (fd < 0 || (events != 0 && !IsWindow(hwnd))) {
        return false;
    }
    return TheWatcher().Set(fd, hwnd, message, events & (FD_READ | FD_CLOSE));
}

namespace detail {
void StopSocketWatches(HWND hwnd) {
    TheWatcher().StopWindow(hwnd);
}
}  // namespace detail

}  // namespace fw
