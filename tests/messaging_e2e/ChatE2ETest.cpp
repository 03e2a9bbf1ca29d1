// Two running clients chat through the reference service on loopback, each in a process of
// its own on the headless backend; their polls run on their virtual clocks.
#include <gtest/gtest.h>

#include "service/ServiceStore.h"
#include "tests/messaging_e2e/ClientProcess.h"

namespace chate2e {
namespace {

// What a chat's answer holds: the conversation, then the emoticon numbers of its pictures.
struct Chat {
    std::string text;
    std::string pictures;
};
Chat ReadChat(ClientProcess& client, const std::string& id) {
    const std::string answer = client.Send({"chat", id});
    const std::size_t tab = answer.rfind('\t');
    if (tab == std::string::npos) {
        return {answer, "?"};
    }
    return {answer.substr(0, tab), answer.substr(tab + 1)};
}

std::vector<vqsvc::ChatRecord> Unread(vqsvc::test::ServiceHarness& service, int64_t userId) {
    vqsvc::ServiceStore store;
    if (!store.Open(service.DataDir() + "/data", service.TestClock())) {
        return {};
    }
    return store.UnreadChats(userId, 100);
}

class TwoClients : public ::testing::Test {
protected:
    vqsvc::test::ServiceHarness service_;
};

TEST_F(TwoClients, MessagesGoBothWaysWithTrayNotesLogsAndHistory) {
    // Zhang Wei (customer, id 4) first, so that Wang Ming's contact list shows him online.
    ClientProcess b(service_, {});
    ASSERT_TRUE(b.Ready());
    ASSERT_EQ(b.Send({"login", "zhangwei", "zhangwei123"}), "ok 4");
    ClientProcess a(service_, {});
    ASSERT_TRUE(a.Ready());
    ASSERT_EQ(a.Send({"login", "demo", "demo123"}), "ok 1");

    // The home page's contacts: colleagues, and customers in their branches' teams.
    const std::string contacts = a.Send({"contacts"});
    EXPECT_NE(contacts.find("\"col\":[{\"title\":"), std::string::npos) << contacts;
    EXPECT_NE(contacts.find("\"name\":\"李婷\""), std::string::npos) << contacts;
    EXPECT_NE(contacts.find("{\"Team\":\"新街口营业部\",\"teamMembers\":["), std::string::npos)
        << contacts;
    EXPECT_NE(contacts.find("{\"Team\":\"河西营业部\""), std::string::npos) << contacts;
    EXPECT_NE(contacts.find("{\"title\":\"1\",\"name\":\"张伟\",\"uid\":\"4\"}"), std::string::npos)
        << "logged in, so online: " << contacts;

    // Nothing before the first poll; then the demo's three waiting messages are announced.
    EXPECT_EQ(a.Send({"tray"}), "still 欢迎使用Velquor！");
    EXPECT_EQ(a.Send({"clock", "30000"}), "ok");
    EXPECT_EQ(a.Send({"tray"}), "flashing 您有3条新消息：张伟、杨帆、李婷");
    EXPECT_EQ(a.Send({"notes"}),
              "张伟: 好的，谢谢！另外周六的报告会还有名额吗？\n"
              "杨帆: 王经理，我的账户密码忘了，怎么重置？\n"
              "李婷: 明天的策略周报初稿已经发到你邮箱，请看一下 /:)\n");

    // Opening Zhang Wei's chat shows his waiting message and logs it; two others still wait.
    ASSERT_EQ(a.Send({"open", "4", "张伟"}), "ok");
    const std::string waited =
        "张伟： 2026-12-08 09:00:00\r\n好的，谢谢！另外周六的报告会还有名额吗？\r\n\r\n";
    EXPECT_EQ(ReadChat(a, "4").text, waited);
    EXPECT_EQ(a.Send({"log", "4"}), waited);
    EXPECT_EQ(a.Send({"tray"}), "flashing 您有2条新消息：杨帆、李婷");
    EXPECT_EQ(a.Send({"open", "4", "张伟"}), "no new window") << "one window per contact";
    EXPECT_EQ(a.Send({"windows"}), "4");

    // A writes; B, whose window is closed, is told at its next poll.
    EXPECT_EQ(a.Send({"type", "4", "周六还有名额，欢迎参加 /:)"}), "15");
    EXPECT_EQ(a.Send({"send", "4"}), "ok");
    const std::string sentByA = "王明： 2026-12-8  9：30：30\r\n周六还有名额，欢迎参加 /:)\r\n\r\n";
    EXPECT_EQ(ReadChat(a, "4").text, waited + sentByA);
    EXPECT_EQ(ReadChat(a, "4").pictures, "14 ");
    EXPECT_EQ(a.Send({"input", "4"}), "");

    EXPECT_EQ(b.Send({"tray"}), "still 欢迎使用Velquor！");
    EXPECT_EQ(b.Send({"clock", "30000"}), "ok");
    EXPECT_EQ(b.Send({"tray"}), "flashing 您有1条新消息：王明");
    EXPECT_EQ(b.Send({"notes"}), "王明: 周六还有名额，欢迎参加 /:)\n");
    ASSERT_EQ(Unread(service_, 4).size(), 1u);

    // Opening the chat shows it with its picture, logs it, stops the tray, marks it read.
    ASSERT_EQ(b.Send({"open", "1", "王明"}), "ok");
    const std::string receivedByB =
        "王明： 2026-12-08 09:30:00\r\n周六还有名额，欢迎参加 /:)\r\n\r\n";
    EXPECT_EQ(ReadChat(b, "1").text, receivedByB);
    EXPECT_EQ(ReadChat(b, "1").pictures, "14 ");
    EXPECT_EQ(b.Send({"log", "1"}), receivedByB);
    EXPECT_EQ(b.Send({"tray"}), "still 欢迎使用Velquor！");
    EXPECT_EQ(b.Send({"settle"}), "ok");
    EXPECT_TRUE(Unread(service_, 4).empty()) << "marked read";

    // B answers with Ctrl+Enter; A's open window gets it at A's next poll.
    EXPECT_EQ(b.Send({"type", "1", "好的，谢谢王经理 /:D"}), "12");
    EXPECT_EQ(b.Send({"ctrlenter", "1"}), "ok");
    const std::string sentByB = "张伟： 2026-12-8  9：30：30\r\n好的，谢谢王经理 /:D\r\n\r\n";
    EXPECT_EQ(ReadChat(b, "1").text, receivedByB + sentByB);
    EXPECT_EQ(a.Send({"clock", "30000"}), "ok");
    const std::string receivedByA = "张伟： 2026-12-08 09:30:00\r\n好的，谢谢王经理 /:D\r\n\r\n";
    EXPECT_EQ(ReadChat(a, "4").text, waited + sentByA + receivedByA);
    EXPECT_EQ(ReadChat(a, "4").pictures, "14 13 ");
    EXPECT_EQ(a.Send({"tray"}), "flashing 您有2条新消息：杨帆、李婷") << "two still wait";
    EXPECT_EQ(a.Send({"settle"}), "ok");
    for (const auto& m : Unread(service_, 1)) {
        EXPECT_NE(m.fromId, 4) << "marked read: " << m.content;
    }

    // Both logs and both history windows hold the conversation, newest first.
    EXPECT_EQ(a.Send({"log", "4"}), receivedByA + sentByA + waited);
    EXPECT_EQ(a.Send({"history", "4"}), receivedByA + sentByA + waited);
    EXPECT_EQ(b.Send({"log", "1"}), sentByB + receivedByB);
    EXPECT_EQ(b.Send({"history", "1"}), sentByB + receivedByB);

    // Later polls repeat nothing.
    EXPECT_EQ(b.Send({"clock", "60000"}), "ok");
    EXPECT_EQ(ReadChat(b, "1").text, receivedByB + sentByB);
    EXPECT_EQ(b.Send({"notes"}), "王明: 周六还有名额，欢迎参加 /:) (done)\n");
    EXPECT_EQ(a.Send({"boxes"}), "");
    EXPECT_EQ(b.Send({"boxes"}), "");
    EXPECT_EQ(a.Quit(), 0);
    EXPECT_EQ(b.Quit(), 0);
}

TEST_F(TwoClients, ANoteClickOpensTheChatAndAnEmptyCtrlEnterAsksForText) {
    ClientProcess a(service_, {});
    ASSERT_TRUE(a.Ready());
    ASSERT_EQ(a.Send({"login", "demo", "demo123"}), "ok 1");
    EXPECT_EQ(a.Send({"clock", "30000"}), "ok");
    // The third note is Li Ting's, whose message holds an emoticon code.
    EXPECT_EQ(a.Send({"clicknote", "2"}), "ok");
    EXPECT_EQ(a.Send({"windows"}), "2");
    const Chat chat = ReadChat(a, "2");
    EXPECT_EQ(
        chat.text,
        "李婷： 2026-12-08 09:25:00\r\n明天的策略周报初稿已经发到你邮箱，请看一下 /:)\r\n\r\n");
    EXPECT_EQ(chat.pictures, "14 ");

    EXPECT_EQ(a.Send({"ctrlenter", "2"}), "ok");
    EXPECT_EQ(a.Send({"boxes"}), "请输入消息内容！\n");
    EXPECT_EQ(a.Send({"log", "2"}), chat.text) << "nothing sent, nothing logged";

    // A minimised window still gets the message, and a note says so.
    ClientProcess b(service_, {});
    ASSERT_TRUE(b.Ready());
    ASSERT_EQ(b.Send({"login", "liting", "liting123"}), "ok 2");
    ASSERT_EQ(b.Send({"open", "1", "王明"}), "ok");
    EXPECT_EQ(b.Send({"type", "1", "收到"}), "2");
    EXPECT_EQ(b.Send({"send", "1"}), "ok");
    EXPECT_EQ(a.Send({"minimise", "2"}), "ok");
    EXPECT_EQ(a.Send({"clock", "30000"}), "ok");
    EXPECT_NE(ReadChat(a, "2").text.find("李婷： 2026-12-08 09:30:00\r\n收到\r\n\r\n"),
              std::string::npos);
    const std::string notes = a.Send({"notes"});
    EXPECT_NE(notes.find("李婷: 收到\n"), std::string::npos) << notes;
    EXPECT_EQ(a.Quit(), 0);
    EXPECT_EQ(b.Quit(), 0);
}

}  // namespace
}  // namespace chate2e
