#pragma once
// The data documents the portal hands to its pages: texts in the form of JSON objects built
// from reply record sets. Each builder is a plain function so the exact bytes can be checked
// without a window. Texts are GBK; inserted values are escaped so every document parses.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/RecordSet.h"

namespace PageDocuments {

// The pseudo-address list links start with; the navigation rules read only the query, and the
// ".html?" in it makes the portal cancel the browser's navigation.
inline constexpr std::string_view kLinkPrefix = "http://velquor.portal/newslist.html";

// A value made safe between JSON quotes: backslash, double quote and control characters are
// escaped; the second byte of a GBK character is never taken for one of them.
std::string JsonValue(std::string_view gbk);
// A news title with each ASCII double quote replaced by the full-width opening mark.
std::string TitleText(std::string_view title);
// A date without its last 13 characters (the seconds and fraction); shorter values stay whole.
std::string DateText(std::string_view date);

// The 24-slot home template with its @@...@@ markers.
const std::string& HomeTemplate();
// The home document from the get1menu..get4menu sets; nullopt without a first record set.
std::optional<std::string> BuildHome(const RecordSetList& sets);

struct ListDocuments {
    std::string list;
    std::string columns;
};
// List pages: get1more..get4more and menunews (first set the news, second the columns);
// nullopt when the first set carries none of those tags.
std::optional<ListDocuments> BuildListPage(const RecordSetList& sets);
// Column news list (getcolprd); nullopt for another tag.
std::optional<std::string> BuildColumnNews(const RecordSetList& sets);
// Search results (the four search tags); nullopt for another tag.
std::optional<std::string> BuildSearch(const RecordSetList& sets);
// Board list (getliuyans); nullopt for another tag.
std::optional<std::string> BuildBoardList(const RecordSetList& sets);
// Menu (getmunu); nullopt for another tag.
std::optional<std::string> BuildMenu(const RecordSetList& sets);
// Picture strip (firstimg): empty without rows; nullopt for another tag.
std::optional<std::string> BuildPictureStrip(const RecordSetList& sets);

// The sign-on and name documents of the home page.
std::string SignOnDocument();
std::string LoginNameDocument(std::string_view trueName);

}  // namespace PageDocuments
