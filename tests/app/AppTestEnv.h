#pragma once
// The application shell's tests: the headless backend with the program's resources, a
// private working folder (config.ini is read from the current directory), the process end
// recorded instead of done, and hand-made replies.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/OrvanelApp.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "protocol/RecordSet.h"
#include "protocol/RecordSetWriter.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"

namespace apptest {

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

// Exit codes the program asked for, in order (any thread).
class ExitLog {
public:
    void Add(int code) {
        std::lock_guard lock(m_);
        codes_.push_back(code);
    }
    void Clear() {
        std::lock_guard lock(m_);
        codes_.clear();
    }
    std::vector<int> Codes() const {
        std::lock_guard lock(m_);
        return codes_;
    }

private:
    mutable std::mutex m_;
    std::vector<int> codes_;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        previousDir_ = std::filesystem::current_path();
        // The control registry of this test only: nothing of the user's is read.
        setenv("VQ_COM_REGISTRY", dir_.File("com-registry").c_str(), 1);
        std::filesystem::current_path(dir_.path());
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), std::string(src) + "/res"));
        fw::headless::SetStallTimeoutMs(20000);
        RequestQueue::Global().Clear();
        Session().Reset();
        SetEndProcessHook([this](int code) { exits_.Add(code); });
    }
    void TearDown() override {
        WorkerHost::Global().Stop();
        SetEndProcessHook(nullptr);
        SetStartupObserver(nullptr);
        fw::Shutdown();
        RequestQueue::Global().Clear();
        std::filesystem::current_path(previousDir_);
    }

    // Pumps the UI thread until `done` or `limitMs` of real time.
    static bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            if (!fw::PumpPending()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return true;
    }

    std::string ConfigPath() const { return dir_.File("config.ini"); }

    vq::test::TempDir dir_;
    std::filesystem::path previousDir_;
    ExitLog exits_;
};

// A reply of text columns.
inline RecordSetList Reply(std::string_view tag, const std::vector<std::string>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
    const std::vector<uint8_t> body = EncodeTextRecordSet(tag, columns, rows);
    return DecodeRecordSets(body.data(), body.size());
}

// Several record sets in one reply.
inline RecordSetList Replies(const std::vector<std::vector<uint8_t>>& blocks) {
    std::vector<uint8_t> body;
    for (const auto& b : blocks) {
        body.insert(body.end(), b.begin(), b.end());
    }
    return DecodeRecordSets(body.data(), body.size());
}

inline RequestResult Result(RecordSetList sets, int32_t status = kStatusReply) {
    RequestResult r;
    r.status = status;
    r.recordSets = std::move(sets);
    return r;
}

}  // namespace apptest
