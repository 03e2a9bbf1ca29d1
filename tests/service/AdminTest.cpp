// The admin commands against the data folder of a running service: what they
// change reaches logged-in clients through their normal polls.

#include <gtest/gtest.h>

#include <sstream>

#include "service/Admin.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

class Admin : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunAdminCommand(service.DataDir() + "/data", args, out, err, service.TestClock());
    }
    ServiceHarness service;
    std::ostringstream out, err;
};

TEST_F(Admin, AddedArticlePopsUpAtTheNextPoll) {
    TestClient c(service.HttpPort(), true);
    ASSERT_TRUE(c.Login("zhangwei", "zhangwei123", service.PublicKeyPath()));
    auto reply = c.Call(Call(18, "&virid=4&orgid=1"));
    ASSERT_FALSE(reply.empty());
    ASSERT_TRUE(Rows(*reply[0]).empty());

    ASSERT_EQ(Run({"add-article", "--title", "午间快讯：沪指翻红", "--column", "早盘点评",
                   "--author", "李婷", "--text", "午后市场情绪回暖。", "--stocks", "600036"}),
              0)
        << err.str();
    reply = c.Call(Call(18, "&virid=4&orgid=1"));
    ASSERT_FALSE(reply.empty());
    auto rows = Rows(*reply[0]);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["prd_news_title"], "午间快讯：沪指翻红");
    EXPECT_EQ(rows[0]["usr_vuser_truen"], "李婷");
    EXPECT_NE(rows[0]["prd_news_text"].find("午后市场情绪回暖"), std::string::npos);

    // One waiting for review stays back until approved.
    ASSERT_EQ(Run({"add-article", "--title", "待审文章", "--column", "8", "--review"}), 0);
    reply = c.Call(Call(18, "&virid=4&orgid=1"));
    EXPECT_TRUE(Rows(*reply.at(0)).empty());
    std::string id = out.str().substr(8, out.str().find(' ', 8) - 8);
    ASSERT_EQ(Run({"approve-article", id}), 0) << err.str();
    reply = c.Call(Call(18, "&virid=4&orgid=1"));
    EXPECT_EQ(Rows(*reply.at(0)).size(), 1u);

    EXPECT_EQ(Run({"add-article", "--title", "x", "--column", "不存在"}), 1);
    EXPECT_EQ(Run({"add-article", "--title", "x"}), 2);
}

TEST_F(Admin, ChatSentAsAnotherUserIsPolled) {
    ASSERT_EQ(
        Run({"send-chat", "--from", "huanglei", "--to", "demo", "--text", "下午能通个电话吗？"}), 0)
        << err.str();
    TestClient c(service.TcpPort(), false);
    ASSERT_TRUE(c.Login("demo", "demo123", service.PublicKeyPath()));
    auto reply = c.Call(Call(13, "&fromid=1"));
    ASSERT_FALSE(reply.empty());
    auto rows = Rows(*reply[0]);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back()["msgcontent"], "下午能通个电话吗？");
    EXPECT_EQ(rows.back()["usr_vuser_truen"], "黄磊");
    EXPECT_EQ(Run({"send-chat", "--from", "nobody", "--to", "demo", "--text", "x"}), 1);
}

TEST_F(Admin, AddedUserLogsInAndSessionsAreListed) {
    ASSERT_EQ(Run({"add-user", "--login", "sunhao", "--password", "pw123", "--name", "孙浩",
                   "--type", "staff", "--org", "1", "--orgs", "1,2,3"}),
              0)
        << err.str();
    EXPECT_EQ(Run({"add-user", "--login", "sunhao", "--password", "x"}), 1) << "login taken";
    EXPECT_EQ(Run({"add-user", "--login", "x", "--password", "x", "--type", "boss"}), 2);
    TestClient c(service.HttpPort(), true);
    ASSERT_TRUE(c.Login("sunhao", "pw123", service.PublicKeyPath()));
    auto reply = c.Call(Call(10, "&username=sunhao"));
    auto rows = Rows(*reply.at(0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["USR_VUSER_TRUEN"], "孙浩");
    EXPECT_EQ(rows[0]["USR_VIRUSER_TYP"], "1");

    ASSERT_EQ(Run({"list-sessions"}), 0);
    EXPECT_NE(out.str().find("sunhao\tactive"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find(c.session), std::string::npos) << "keys are not printed";
    EXPECT_EQ(Run({"no-such-command"}), 2);
}

}  // namespace
}  // namespace vqsvc::test
