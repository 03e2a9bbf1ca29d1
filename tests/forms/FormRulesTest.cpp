// The forms' rules that need no window: port and address as config.ini keeps them, the
// favourite-column buttons, the login-state table, case-blind password comparison.

#include <gtest/gtest.h>

#include "forms/FormRules.h"
#include "tests/forms/FormsTestEnv.h"

namespace formstest {
namespace {

TEST(PortText, OnlyNumbersFromOneTo65535AreAPort) {
    EXPECT_EQ(ParsePortText("1"), 1);
    EXPECT_EQ(ParsePortText("8080"), 8080);
    EXPECT_EQ(ParsePortText("65535"), 65535);
    EXPECT_EQ(ParsePortText("0080"), 80);
    for (const char* bad :
         {"", "0", "65536", "99999999999", "-1", "+80", " 80", "80 ", "8o", "80.5", "0x50"}) {
        EXPECT_FALSE(ParsePortText(bad).has_value()) << bad;
    }
}

TEST(DottedAddress, PartsAreStoredWithoutLeadingZeros) {
    EXPECT_EQ(FormatDottedAddress({1, 2, 3, 4}), "1.2.3.4");
    EXPECT_EQ(FormatDottedAddress({10, 0, 0, 9}), "10.0.0.9");
    EXPECT_EQ(FormatDottedAddress({255, 255, 255, 255}), "255.255.255.255");
    EXPECT_EQ(ParseDottedAddress("192.168.1.20"), (DottedAddress{192, 168, 1, 20}));
    EXPECT_EQ(ParseDottedAddress("010.001.000.009"), (DottedAddress{10, 1, 0, 9}));
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "a.b.c.d",
                            "host.example", " 1.2.3.4", "1.2.3.4 ", "1.2.3.0004"}) {
        EXPECT_FALSE(ParseDottedAddress(bad).has_value()) << bad;
    }
}

TEST(ColumnButtons, IdsAndCaptionsComeFromTheReplyWhateverTheColumnNamesCase) {
    RecordSetList sets = Reply("getallcolumn", {"PRD_MENU_NAME", "Prd_Menu_Id"},
                               {{G("宏观"), "3"}, {G("行业"), "151"}, {G("个股"), " 12 "}});
    const std::vector<ColumnButton> b = ColumnButtons(*sets.at(0));
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].id, 2003u);
    EXPECT_EQ(b[0].caption, G("宏观"));
    EXPECT_EQ(b[1].id, 2151u);
    EXPECT_EQ(b[2].id, 2012u);
    EXPECT_EQ(b[2].rect, fw::Rect::FromXYWH(280, 80, 80, 40));
}

TEST(ColumnButtons, RowsWithoutAUsableIdGetNoButton) {
    // "-937" would be button 1063, the page's own "确定".
    RecordSetList sets =
        Reply("getallcolumn", {"prd_menu_id", "prd_menu_name"},
              {{"-937", "a"}, {"abc", "b"}, {"", "c"}, {"63536", "d"}, {"63535", "e"}, {"4", "f"}});
    const std::vector<ColumnButton> b = ColumnButtons(*sets.at(0));
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].id, 65535u);
    EXPECT_EQ(b[1].id, 2004u);
    EXPECT_EQ(b[1].rect, fw::Rect::FromXYWH(180, 80, 80, 40)) << "placed without gaps";
}

TEST(ColumnButtons, AHugeReplyIsCut) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 1000; ++i) {
        rows.push_back({std::to_string(i), "x"});
    }
    RecordSetList sets = Reply("getallcolumn", {"prd_menu_id", "prd_menu_name"}, rows);
    EXPECT_EQ(ColumnButtons(*sets.at(0)).size(), kMaxColumnButtons);
}

TEST(ColumnButtons, Only2000To2150ChooseAColumn) {
    EXPECT_EQ(ChosenColumn(2000), "0");
    EXPECT_EQ(ChosenColumn(2005), "5");
    EXPECT_EQ(ChosenColumn(2150), "150");
    EXPECT_FALSE(ChosenColumn(2151).has_value());
    EXPECT_FALSE(ChosenColumn(1999).has_value());
    EXPECT_FALSE(ChosenColumn(1063).has_value());
}

TEST(LoginStates, RadioButtonsAndValues) {
    EXPECT_EQ(LoginStateRadio("0"), 1089u);
    EXPECT_EQ(LoginStateRadio("2"), 1090u);
    EXPECT_EQ(LoginStateRadio("1"), 1091u);
    EXPECT_EQ(LoginStateRadio("3"), 1092u);
    EXPECT_EQ(LoginStateRadio(""), 0u);
    EXPECT_EQ(LoginStateRadio("4"), 0u);
    EXPECT_EQ(LoginStateRadio("22"), 0u);
    EXPECT_EQ(LoginStateValue(1089), '0');
    EXPECT_EQ(LoginStateValue(1090), '2');
    EXPECT_EQ(LoginStateValue(1091), '1');
    EXPECT_EQ(LoginStateValue(1092), '3');
    EXPECT_EQ(LoginStateValue(1086), 0);
}

TEST(Passwords, LetterCaseIsIgnoredButNothingElse) {
    EXPECT_TRUE(SameIgnoringCase("Secret1", "sECRET1"));
    EXPECT_TRUE(SameIgnoringCase("", ""));
    EXPECT_FALSE(SameIgnoringCase("Secret1", "Secret2"));
    EXPECT_FALSE(SameIgnoringCase("Secret", "Secret1"));
    // Two different GBK characters whose second bytes are 'Z' and 'z'.
    EXPECT_FALSE(SameIgnoringCase("\xC3\x5A", "\xC3\x7A"));
    EXPECT_TRUE(SameIgnoringCase(G("密码A"), G("密码a")));
}

}  // namespace
}  // namespace formstest
