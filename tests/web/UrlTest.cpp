#include "platform/web/Url.h"

#include <gtest/gtest.h>

#include "platform/core/Text.h"

using namespace fw::web;

TEST(UrlTest, PercentDecodingKeepsWhatIsNotAnEscape) {
    EXPECT_EQ(PercentDecode("a%20b%2Fc"), "a b/c");
    EXPECT_EQ(PercentDecode("100%"), "100%");
    EXPECT_EQ(PercentDecode("%4"), "%4");
    EXPECT_EQ(PercentDecode("%zz%4g"), "%zz%4g");
    EXPECT_EQ(PercentDecode("a+b"), "a+b");
    EXPECT_EQ(PercentDecode("%00x"), std::string("\0x", 2));
    EXPECT_EQ(PercentDecode("%e4%B8%ad"), "\xE4\xB8\xAD");
}

TEST(UrlTest, AddressesComeBackAsGbkWithFilesAsPaths) {
    // UTF-8 escapes (what a browser sends) become GBK.
    EXPECT_EQ(UrlToSystem("http://h/p?FriendName=%E4%B8%AD%E6%96%87"),
              "http://h/p?FriendName=" + vq::Gbk("中文"));
    // Escaped GBK bytes written by a GBK page are already the system's text.
    EXPECT_EQ(UrlToSystem("http://h/?n=%D6%D0%CE%C4"), "http://h/?n=" + vq::Gbk("中文"));
    EXPECT_EQ(UrlToSystem("file:///opt/app/htmlPath/newslist.html?uid=1"),
              "/opt/app/htmlPath/newslist.html?uid=1");
    EXPECT_EQ(UrlToSystem("file://localhost/opt/a%20b/x.html#top"), "/opt/a b/x.html#top");
    EXPECT_EQ(UrlToSystem("file:///%E4%B8%AD/p.html"), "/" + vq::Gbk("中") + "/p.html");
    EXPECT_EQ(UrlToSystem("APP:ok"), "APP:ok");
}

TEST(UrlTest, PathsBecomeFileUrlsThatRoundTrip) {
    const std::string path = "/opt/my app/" + vq::Gbk("中文") + "/home.html";
    const std::string url = SystemToUrl(path, "");
    EXPECT_EQ(url.rfind("file:///opt/my%20app/", 0), 0u) << url;
    EXPECT_EQ(url.find(' '), std::string::npos);
    EXPECT_EQ(UrlToSystem(url), path);
    EXPECT_EQ(FileUrlPath(url), vq::GbkToUtf8(path));
    // The query of a page address stays a query.
    EXPECT_EQ(SystemToUrl("/a/newslist.html?prdid=5", ""), "file:///a/newslist.html?prdid=5");
    EXPECT_EQ(SystemToUrl("about:blank", "file:///x/y.html"), "about:blank");
}

TEST(UrlTest, RelativeAddressesResolveAgainstThePage) {
    const std::string base = "file:///p/htmlPath/home.html?flaid=1#x";
    EXPECT_EQ(ResolveUrl(base, "newslist.html?prdid=7"),
              "file:///p/htmlPath/newslist.html?prdid=7");
    EXPECT_EQ(ResolveUrl(base, "./a.html"), "file:///p/htmlPath/a.html");
    EXPECT_EQ(ResolveUrl(base, "/root.html"), "file:///root.html");
    EXPECT_EQ(ResolveUrl(base, "?getPage=2"), "file:///p/htmlPath/home.html?getPage=2");
    EXPECT_EQ(ResolveUrl(base, "#top"), "file:///p/htmlPath/home.html?flaid=1#top");
    EXPECT_EQ(ResolveUrl("http://h.example/dir/p.html", "//cdn.example/x.js"),
              "http://cdn.example/x.js");
    EXPECT_EQ(ResolveUrl("http://h.example", "a.html"), "http://h.example/a.html");
    EXPECT_EQ(ResolveUrl(base, "http://other/"), "http://other/");
    EXPECT_EQ(SystemToUrl("newslist.html?prdid=3", base),
              "file:///p/htmlPath/newslist.html?prdid=3");
}

TEST(UrlTest, SchemesAreRecognised) {
    EXPECT_TRUE(HasScheme("app:ok"));
    EXPECT_TRUE(HasScheme("HTTP://x"));
    EXPECT_TRUE(HasScheme("view-source:x"));
    EXPECT_FALSE(HasScheme("/abs/path"));
    EXPECT_FALSE(HasScheme("newslist.html?a=b:c"));
    EXPECT_FALSE(HasScheme(":x"));
    EXPECT_FALSE(HasScheme(""));
}
