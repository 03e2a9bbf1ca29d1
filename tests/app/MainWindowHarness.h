#pragma once
// A main window with a recording portal page and a recording notifier control.

#include <string>
#include <vector>

#include "app/OrvanelDlg.h"
#include "tests/app/AppTestEnv.h"
#include "tests/portal_home/FakeSubsystems.h"

namespace apptest {

struct PageMessage {
    fw::UINT message = 0;
    std::string firstTag;  // of the reply handed over, when there was one
    int sets = 0;
    std::string viridOnArrival;            // the session's virid when the message arrived
    std::string text;                      // 1043: the article id handed over
    std::shared_ptr<RecordSetList> reply;  // what was handed over
};

class RecordingPage : public fw::Dialog {
public:
    RecordingPage(fw::UINT templateId, fw::Window* parent, std::vector<PageMessage>* log)
        : fw::Dialog(templateId, parent), log_(log) {}

    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message < 1029 || message > 1050) {
            return fw::Dialog::WindowProc(message, wParam, lParam);
        }
        PageMessage m;
        m.message = message;
        m.viridOnArrival = Session().Virid();
        if (message == 1043) {
            m.text = lParam != 0 ? *reinterpret_cast<const std::string*>(lParam) : "";
        } else if (lParam != 0) {
            // Takes the reply over, as a consumer does.
            m.reply = std::make_shared<RecordSetList>(
                std::move(*reinterpret_cast<RecordSetList*>(lParam)));
            m.sets = static_cast<int>(m.reply->size());
            m.firstTag = m.reply->empty() ? "" : std::string(m.reply->front()->Tag());
        }
        std::lock_guard lock(mutex_);
        log_->push_back(m);
        return 0;
    }

    // Whether a message with this number arrived (any thread).
    bool Received(fw::UINT message) const {
        std::lock_guard lock(mutex_);
        for (const auto& m : *log_) {
            if (m.message == message) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<PageMessage>* log_;
    mutable std::mutex mutex_;
};

struct Popup {
    std::string caption, text, link;
    fw::Color colour = 0;
};

// A portal whose page records what the main window sends it.
class FakePortal : public IPortal {
public:
    explicit FakePortal(std::vector<PageMessage>* log) : log_(log) {}
    std::unique_ptr<fw::Dialog> MakePortalPage(fw::Window* mainWindow) override {
        return std::make_unique<RecordingPage>(132, mainWindow, log_);
    }
    void CallScript(fw::Dialog& portalPage, const std::string& function) override {
        (void)portalPage;
        scripts.push_back(function);
    }
    std::unique_ptr<fw::Dialog> MakeSystemSettingsPage(fw::Window* mainWindow) override {
        ++systemSettingsMade;
        return std::make_unique<fw::Dialog>(182, mainWindow);
    }
    std::vector<std::string> scripts;
    int systemSettingsMade = 0;

private:
    std::vector<PageMessage>* log_;
};

class TestMainDlg : public COrvanelDlg {
public:
    TestMainDlg(IPortal& portal, IForms& forms) : COrvanelDlg(portal, forms) {}
    std::vector<Popup> popups;
    std::vector<std::string> notifierWindows;

protected:
    void NotifierShowWindow(const std::string& title) override { notifierWindows.push_back(title); }
    void NotifierShowMessage(const std::string& caption, const std::string& text,
                             const std::string& link, fw::Color colour) override {
        popups.push_back({caption, text, link, colour});
    }
};

class MainWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        forms_.makeSettings = [this](fw::Window* parent) {
            return std::make_unique<RecordingPage>(238, parent, &settings_);
        };
    }
    void TearDown() override {
        if (main_.IsWindow()) {
            main_.DestroyWindow();
        }
        AppTest::TearDown();
    }
    void Open() {
        ASSERT_TRUE(main_.Create(COrvanelDlg::IDD));
        fw::PumpPending();
        fw::headless::ClearRecords();
    }
    void Deliver(RecordSetList sets, int32_t status = kStatusReply) {
        RequestResult r = Result(std::move(sets), status);
        main_.OnThreadReturn(r);
    }
    std::vector<fw::headless::MessageBoxRecord> Boxes() const {
        return fw::headless::MessageBoxes();
    }

    std::vector<PageMessage> portal_;
    std::vector<PageMessage> settings_;
    FakePortal portalMaker_{&portal_};
    fakes::FakeMessaging messaging_;
    fakes::FakeForms forms_;
    TestMainDlg main_{portalMaker_, forms_};
};

}  // namespace apptest
