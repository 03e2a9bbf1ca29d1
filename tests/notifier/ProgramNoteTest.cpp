// The program's main window with the real control, on a desktop that places windows
// itself: a poll reply with new articles becomes desktop notes, and the note's view action
// opens the article through the main window's dispatcher, as the pop-up's view button does.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ControlRegistration.h"
#include "platform/Notifications.h"
#include "tests/app/MainWindowHarness.h"

namespace {

using apptest::G;

std::string BuiltLibrary() {
    const char* dir = std::getenv("VQ_RUNTIME_DIR");
    if (dir != nullptr && *dir != '\0')
        return std::string(dir) + "/Pallinote.ocx";
    return VQ_PALLINOTE_PATH;
}

// The main window as the program makes it: its notifier is the control library.
class ProgramMainDlg : public COrvanelDlg {
public:
    using COrvanelDlg::COrvanelDlg;
};

std::vector<uint8_t> News(const std::vector<std::string>& ids) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& id : ids)
        rows.push_back({G("研报 ") + id, "title", "author", "column", "2024-01-01", id});
    return EncodeTextRecordSet("getnewNews",
                               {"prd_news_text", "prd_news_title", "usr_vuser_truen",
                                "prd_column_name", "insertdate", "PRD_NEWS_ID"},
                               rows);
}

class ProgramNoteTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // Registered from the program's folder, as at every start.
        const std::string prog = dir_.File("prog/");
        std::filesystem::create_directories(prog);
        std::filesystem::copy_file(BuiltLibrary(), prog + "Pallinote.ocx");
        ASSERT_TRUE(RegisterNotifierControl(prog));
        fw::headless::ClearNotifications();
        fw::headless::SetCanPlaceWindows(false);
    }
    void TearDown() override {
        if (main_.IsWindow())
            main_.DestroyWindow();
        fw::headless::ClearNotifications();
        AppTest::TearDown();
    }
    void Deliver(RecordSetList sets) {
        RequestResult r = apptest::Result(std::move(sets));
        main_.OnThreadReturn(r);
    }

    std::vector<apptest::PageMessage> portal_;
    apptest::FakePortal portalMaker_{&portal_};
    fakes::FakeForms forms_;
    ProgramMainDlg main_{portalMaker_, forms_};
};

TEST_F(ProgramNoteTest, ANewArticlesNoteOpensTheArticleThroughTheMainWindow) {
    ASSERT_TRUE(main_.Create(COrvanelDlg::IDD));
    fw::PumpPending();
    Deliver(apptest::Replies({News({"41", "42"})}));

    // Each article announced once, the newer note standing for the pop-up.
    const auto notes = fw::headless::Notifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].body, G("研报 41"));
    EXPECT_FALSE(notes[0].open);
    EXPECT_EQ(notes[1].title, G("最新"));
    EXPECT_EQ(notes[1].body, G("研报 42"));
    EXPECT_TRUE(notes[1].open);
    Deliver(apptest::Replies({News({"41", "42"})}));
    EXPECT_EQ(fw::headless::Notifications().size(), 2u) << "remembered articles are not repeated";

    ASSERT_TRUE(fw::headless::InvokeNotificationAction(notes[1].id, "view"));
    ASSERT_TRUE(PumpUntil([&] { return !portal_.empty(); }));
    ASSERT_EQ(portal_.size(), 1u);
    EXPECT_EQ(portal_[0].message, 1043u);
    EXPECT_EQ(portal_[0].text, "42");
}

}  // namespace
