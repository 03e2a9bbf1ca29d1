#pragma once
// The forms on the headless backend with the program's resources, in a private working
// folder (config.ini is read from the current directory), with a logged-in session.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

namespace formstest {

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

class FormsTest : public ::testing::Test {
protected:
    static constexpr const char* kVirid = "7";
    static constexpr const char* kLoginPassword = "Secret1";

    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        previousDir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), std::string(src) + "/res"));
        RequestQueue::Global().Clear();
        Session().Reset();
        Session().SetLogin("demo", kLoginPassword);
        Session().SetSessionKey("k1");
        Session().SetVirid(kVirid);
    }
    void TearDown() override {
        fw::Shutdown();
        RequestQueue::Global().Clear();
        Session().Reset();
        std::filesystem::current_path(previousDir_);
    }

    // The texts queued so far, in order.
    static std::vector<std::string> Queued() {
        std::vector<std::string> out;
        for (const ServiceRequest& r : RequestQueue::Global().Snapshot()) {
            out.push_back(r.text);
        }
        return out;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> out;
        for (const auto& b : fw::headless::MessageBoxes()) {
            out.push_back(b.text);
        }
        return out;
    }
    static void Click(fw::Window& dialog, fw::UINT id) {
        ASSERT_NE(dialog.GetDlgItemHandle(id), fw::kNoWindow) << id;
        fw::input::Click(dialog.GetDlgItemHandle(id));
        fw::PumpPending();
    }
    static int Type(fw::Window& dialog, fw::UINT id, const std::string& text) {
        return fw::input::Type(dialog.GetDlgItemHandle(id), text);
    }

    std::string ConfigPath() const { return dir_.File("config.ini"); }
    std::string ConfigText() const { return vq::test::ReadBytes(ConfigPath()); }
    void WriteConfig(const std::string& text) const { vq::test::WriteBytes(ConfigPath(), text); }

    vq::test::TempDir dir_;
    std::filesystem::path previousDir_;
};

// A reply of text columns.
inline RecordSetList Reply(std::string_view tag, const std::vector<std::string>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
    const std::vector<uint8_t> body = EncodeTextRecordSet(tag, columns, rows);
    return DecodeRecordSets(body.data(), body.size());
}

}  // namespace formstest
