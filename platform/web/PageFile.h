#pragma once
// What the headless page model knows of a page: read from the page file itself, without
// running its script. Global script functions are the `function name(` declarations and the
// `name = function` assignments at the top level of the page's script blocks; elements are
// those with an id or a name. Bytes in, any bytes: the reader is bounded and total.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fw::web {

struct PageElement {
    std::string tag;  // lower case
    std::string id;   // attribute values decoded (&amp; ...), page encoding
    std::string name;
    std::string value;  // input value, or the text of a textarea
    std::string href;   // links
    std::string type;   // input type, lower case
    int parent = -1;    // the nearest enclosing element of this list, -1 for none
    int form = -1;      // index into PageInfo::forms of the form it belongs to, -1 for none
};

struct PageForm {
    std::string name;
    std::string action;
    std::vector<std::size_t> elements;  // indexes into PageInfo::elements, named controls only
};

struct PageInfo {
    bool gbk = false;  // the page declares a GB2312/GBK/GB18030 charset
    std::vector<std::string> functions;
    std::vector<PageElement> elements;
    std::vector<PageForm> forms;
    // The body's content as a byte range of the text (the whole text when there is no body).
    std::size_t bodyBegin = 0;
    std::size_t bodyEnd = 0;
};

// Limits that keep a hostile page from growing the model without bound.
inline constexpr std::size_t kMaxPageElements = 100000;
inline constexpr std::size_t kMaxPageFunctions = 10000;

PageInfo ParsePage(std::string_view html);

// Global function names declared in one script's text, in order (duplicates kept once).
void ScanScriptFunctions(std::string_view script, std::vector<std::string>& names);

// "&amp;" "&lt;" "&gt;" "&quot;" "&#39;" "&nbsp;" and numeric references (UTF-8 output for
// numeric ones); anything else is kept.
std::string DecodeEntities(std::string_view text);

}  // namespace fw::web
