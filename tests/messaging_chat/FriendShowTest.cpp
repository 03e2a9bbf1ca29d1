// The contact document from "getIMS" record sets made by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "messaging/IMFriendShow.h"
#include "platform/core/Text.h"
#include "protocol/RecordSetWriter.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::unique_ptr<RecordSet> Set(const std::vector<std::string>& columns, const Rows& rows) {
    std::vector<uint8_t> bytes = EncodeTextRecordSet("getIMS", columns, rows);
    // The writer keeps 15 bytes of a name; EB_SESSION_VALUE fills all 16 on the wire.
    const size_t firstDescriptor = kTagSize + 4;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].size() == kColumnNameSize) {
            std::memcpy(bytes.data() + firstDescriptor + i * kColumnDescriptorSize,
                        columns[i].data(), kColumnNameSize);
        }
    }
    RecordSetList list = DecodeRecordSets(bytes.data(), bytes.size());
    return list.empty() ? nullptr : std::move(list.front());
}

const std::vector<std::string> kColumns = {"USR_VIRUSER_ID", "USR_VUSER_TRUEN", "usr_viruser_typ",
                                           "org_name",       "EB_SESSION_ID",   "EB_SESSION_VALUE"};

std::string Document(const std::vector<std::string>& columns, const Rows& rows) {
    auto set = Set(columns, rows);
    EXPECT_NE(set, nullptr);
    return CIMFriendShow(*set).BuildDocument();
}

TEST(ContactDocument, ColleaguesAndCustomersInTeams) {
    const std::string doc = Document(kColumns, {
                                                   {"2", "Li", "1", "", "S9", "1"},
                                                   {"4", "Zhang", "0", "North", "", ""},
                                                   {"3", "Zhao", "2", "Any", "", ""},
                                                   {"7", "Yang", "0", "South", "S3", "3"},
                                                   {"5", "Liu", "0", "North", "S4", "2"},
                                               });
    EXPECT_EQ(doc,
              "{\"user_type\":\"1\",\"col\":[{\"title\":\"5\",\"name\":\"Li\",\"uid\":\"2\"},"
              "{\"title\":\"0\",\"name\":\"Zhao\",\"uid\":\"3\"}],"
              "\"cus\":[{\"Team\":\"North\",\"teamMembers\":["
              "{\"title\":\"0\",\"name\":\"Zhang\",\"uid\":\"4\"},"
              "{\"title\":\"4\",\"name\":\"Liu\",\"uid\":\"5\"}]},"
              "{\"Team\":\"South\",\"teamMembers\":[{\"title\":\"3\",\"name\":\"Yang\",\"uid\":"
              "\"7\"}]}]}");
}

TEST(ContactDocument, EmptyListsAreBrackets) {
    EXPECT_EQ(Document(kColumns, {{"2", "Li", "1", "", "", ""}, {"3", "Zhao", "9", "", "", ""}}),
              "{\"user_type\":\"1\",\"col\":[{\"title\":\"0\",\"name\":\"Li\",\"uid\":\"2\"},"
              "{\"title\":\"0\",\"name\":\"Zhao\",\"uid\":\"3\"}],\"cus\":[]}");
    EXPECT_EQ(Document(kColumns, {{"4", "Zhang", "0", "North", "", ""}}),
              "{\"user_type\":\"1\",\"col\":[],\"cus\":[{\"Team\":\"North\",\"teamMembers\":["
              "{\"title\":\"0\",\"name\":\"Zhang\",\"uid\":\"4\"}]}]}");
    EXPECT_EQ(Document(kColumns, {}), "{\"user_type\":\"1\",\"col\":[],\"cus\":[]}");
}

TEST(ContactDocument, OrganisationsDifferingInCaseAreOneTeamNamedAsFirstSeen) {
    auto set = Set(kColumns, {{"4", "A", "0", "Hexi", "", ""},
                              {"5", "B", "0", "HEXI", "", ""},
                              {"6", "C", "0", "hexi", "", ""}});
    CIMFriendShow show(*set);
    EXPECT_EQ(
        show.BuildCusPart(),
        ",\"cus\":[{\"Team\":\"Hexi\",\"teamMembers\":[{\"title\":\"0\",\"name\":\"A\",\"uid\":"
        "\"4\"},{\"title\":\"0\",\"name\":\"B\",\"uid\":\"5\"},{\"title\":\"0\",\"name\":\"C\","
        "\"uid\":\"6\"}]}]");
    EXPECT_EQ(show.Organisations(), std::vector<std::string>{"Hexi"});
    EXPECT_TRUE(show.OrgCustomers().empty());
}

TEST(ContactDocument, ChineseOrganisationsWhoseSecondBytesDifferOnlyLikeLetterCaseStayApart) {
    // GBK 0x81 0x41 and 0x81 0x61 are two different characters.
    const std::string first = "\x81\x41";
    const std::string second = "\x81\x61";
    auto set = Set(kColumns, {{"4", "A", "0", first, "", ""}, {"5", "B", "0", second, "", ""}});
    CIMFriendShow show(*set);
    show.CollectTeams();
    EXPECT_EQ(show.Organisations(), (std::vector<std::string>{first, second}));
}

TEST(ContactDocument, EmptyOrganisationIsATeamNamedEmpty) {
    EXPECT_EQ(Document(kColumns, {{"4", "Zhang", "0", "", "", ""}}),
              "{\"user_type\":\"1\",\"col\":[],\"cus\":[{\"Team\":\"\",\"teamMembers\":["
              "{\"title\":\"0\",\"name\":\"Zhang\",\"uid\":\"4\"}]}]}");
}

TEST(ContactDocument, TheLaterSessionColumnDecidesTheState) {
    struct Case {
        const char* id;
        const char* value;
        const char* idThenValue;
        const char* valueThenId;
    };
    const Case cases[] = {
        {"", "2", "4", "0"}, {"S1", "2", "4", "1"}, {"S1", "1", "5", "1"}, {"S1", "3", "3", "1"},
        {"", "1", "5", "0"}, {"S1", "", "1", "1"},  {"S1", "7", "1", "1"}, {"", "x", "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + "/" + c.value);
        const std::string idFirst =
            Document({"USR_VIRUSER_ID", "USR_VUSER_TRUEN", "usr_viruser_typ", "EB_SESSION_ID",
                      "EB_SESSION_VALUE"},
                     {{"2", "Li", "1", c.id, c.value}});
        EXPECT_NE(idFirst.find(std::string("{\"title\":\"") + c.idThenValue + "\""),
                  std::string::npos)
            << idFirst;
        const std::string valueFirst =
            Document({"USR_VIRUSER_ID", "USR_VUSER_TRUEN", "usr_viruser_typ", "EB_SESSION_VALUE",
                      "EB_SESSION_ID"},
                     {{"2", "Li", "1", c.value, c.id}});
        EXPECT_NE(valueFirst.find(std::string("{\"title\":\"") + c.valueThenId + "\""),
                  std::string::npos)
            << valueFirst;
    }
    // Only a chosen state that is not one of the three: the state stays empty.
    EXPECT_EQ(
        Document({"USR_VIRUSER_ID", "usr_viruser_typ", "EB_SESSION_VALUE"}, {{"2", "1", "9"}}),
        "{\"user_type\":\"1\",\"col\":[{\"title\":\"\",\"name\":\"\",\"uid\":\"2\"}],\"cus\":[]}");
}

TEST(ContactDocument, ColumnNamesInAnyCaseAndMissingColumnsEmpty) {
    EXPECT_EQ(Document({"usr_viruser_id", "usr_vuser_truen", "USR_VIRUSER_TYP", "ORG_NAME"},
                       {{"9", "Wu", "0", "East"}}),
              "{\"user_type\":\"1\",\"col\":[],\"cus\":[{\"Team\":\"East\",\"teamMembers\":["
              "{\"title\":\"\",\"name\":\"Wu\",\"uid\":\"9\"}]}]}");
    // No type column: every row is a colleague.
    EXPECT_EQ(
        Document({"USR_VIRUSER_ID"}, {{"9"}}),
        "{\"user_type\":\"1\",\"col\":[{\"title\":\"\",\"name\":\"\",\"uid\":\"9\"}],\"cus\":[]}");
}

TEST(ContactDocument, QuotesAndBackslashesInNamesCannotBreakTheDocument) {
    const std::string doc = Document(kColumns, {{"2", "a\"b\\c", "1", "", "", ""},
                                                {"4", vq::Gbk("张伟"), "0", "x\"}]", "", ""}});
    EXPECT_EQ(
        doc,
        "{\"user_type\":\"1\",\"col\":[{\"title\":\"0\",\"name\":\"a\\\"b\\\\c\",\"uid\":"
        "\"2\"}],\"cus\":[{\"Team\":\"x\\\"}]\",\"teamMembers\":[{\"title\":\"0\",\"name\":\"" +
            vq::Gbk("张伟") + "\",\"uid\":\"4\"}]}]}");
}

}  // namespace
