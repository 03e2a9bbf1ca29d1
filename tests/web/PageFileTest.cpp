#include "platform/web/PageFile.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace fw::web;

namespace {

const PageElement* ById(const PageInfo& info, const std::string& id) {
    for (const PageElement& e : info.elements) {
        if (e.id == id) {
            return &e;
        }
    }
    return nullptr;
}

}  // namespace

TEST(PageFileTest, OnlyTopLevelFunctionsAreGlobal) {
    std::vector<std::string> names;
    ScanScriptFunctions(R"js(
        function showHome(doc) { function inner() {} var x = "function fake() {"; }
        // function commented() {}
        /* function blocked() {} */
        var OutputHtml = function (a, b) { return a; };
        window.showflash = function () {};
        let notAFunction = 3;
        singleSignOn = async function () {};
        if (a == function notGlobal() {}) {}
        const s = `function inTemplate() {}`;
        function   spaced  (x) {}
        function showHome() {}
    )js",
                        names);
    const std::vector<std::string> expected = {"showHome", "OutputHtml", "showflash",
                                               "singleSignOn", "spaced"};
    EXPECT_EQ(names, expected);
}

TEST(PageFileTest, ElementsValuesAndNesting) {
    const PageInfo info = ParsePage(R"html(<html><head><script>function f(){}</script>
        <script src="x.js">function notMine(){}</script></head>
        <body onload="x()"><div id="outer"><a id="link" href="newslist.html?flaid=3">
        <span id="inner">go</span></a></div>
        <input id="StockCode" value="600&amp;1"><input id=search_name value=10 type=HIDDEN>
        <textarea id="discussMessage">a &lt;b&gt;</textarea>
        <!-- <input id="commented"> --><p id="after"></p></body></html>)html");
    EXPECT_EQ(info.functions, std::vector<std::string>{"f"});
    const PageElement* inner = ById(info, "inner");
    ASSERT_NE(inner, nullptr);
    ASSERT_GE(inner->parent, 0);
    const PageElement& link = info.elements[std::size_t(inner->parent)];
    EXPECT_EQ(link.id, "link");
    EXPECT_EQ(link.href, "newslist.html?flaid=3");
    ASSERT_GE(link.parent, 0);
    EXPECT_EQ(info.elements[std::size_t(link.parent)].id, "outer");
    EXPECT_EQ(ById(info, "StockCode")->value, "600&1");
    EXPECT_EQ(ById(info, "search_name")->value, "10");
    EXPECT_EQ(ById(info, "search_name")->type, "hidden");
    EXPECT_EQ(ById(info, "discussMessage")->value, "a <b>");
    EXPECT_EQ(ById(info, "commented"), nullptr);
    // Void elements do not swallow what follows.
    EXPECT_EQ(ById(info, "after")->parent, -1);
}

TEST(PageFileTest, BodyRangeAndForms) {
    const std::string html =
        "<html><head><title>t</title></head><BODY class=x>"
        "<form name=\"login\" action=\"/auth\"><input name=\"userName\"><input id=\"pw\" "
        "name=\"userPwd\" type=\"password\"><input type=\"submit\" value=\"go\"></form>"
        "<form name=\"second\"><input name=\"q\"></form></Body></html>";
    const PageInfo info = ParsePage(html);
    EXPECT_EQ(html.substr(info.bodyBegin, 6), "<form ");
    EXPECT_EQ(html.substr(info.bodyEnd, 7), "</Body>");
    ASSERT_EQ(info.forms.size(), 2u);
    EXPECT_EQ(info.forms[0].name, "login");
    EXPECT_EQ(info.forms[0].action, "/auth");
    ASSERT_EQ(info.forms[0].elements.size(), 2u);  // the unnamed submit button is not listed
    EXPECT_EQ(info.elements[info.forms[0].elements[1]].name, "userPwd");
    EXPECT_EQ(info.forms[1].elements.size(), 1u);
}

TEST(PageFileTest, CharsetAndEntities) {
    EXPECT_TRUE(
        ParsePage("<meta http-equiv=Content-Type content='text/html; charset=GB2312'>").gbk);
    EXPECT_TRUE(ParsePage("<meta charset=\"gbk\">").gbk);
    EXPECT_FALSE(ParsePage("<meta charset=\"utf-8\">").gbk);
    EXPECT_EQ(DecodeEntities("&#20013;&#x6587;&quot;&apos;&unknown;&#xZZ;&"),
              "\xE4\xB8\xAD\xE6\x96\x87\"'&unknown;&#xZZ;&");
    EXPECT_EQ(DecodeEntities("&#1114112;&#0;"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(PageFileTest, BrokenMarkupNeverEscapesTheText) {
    const char* broken[] = {"<",
                            "<a id=\"x",
                            "<script>function f(",
                            "<!-- open",
                            "<body><p id='z'",
                            "</body><body>",
                            "<a id=",
                            "<textarea id=t>never closed"};
    for (const char* text : broken) {
        const std::string html(text);
        const PageInfo info = ParsePage(html);
        EXPECT_LE(info.bodyBegin, info.bodyEnd) << text;
        EXPECT_LE(info.bodyEnd, html.size()) << text;
    }
    EXPECT_EQ(ParsePage("<script>function f(){}").functions, std::vector<std::string>{"f"});
    EXPECT_EQ(ParsePage("<a id=\"x").elements.size(), 1u);
}
