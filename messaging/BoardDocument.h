#pragma once
// The board thread document handed to the thread page's "OutputHtml":
// {"total":"<row count in lower-case hex>","sites":[{"time","name","content"}...]}.
// Texts are GBK. Values are escaped so that every document parses, whatever the service sent:
// a reply of several lines or with a double quote still shows.

#include <string>
#include <string_view>

#include "protocol/RecordSet.h"

namespace BoardDocument {

// What the page gets when there is no row to show.
inline constexpr std::string_view kEmpty = "{\"total\":\"\",\"sites\":[]}";

// The document of a "looklinyan" record set; kEmpty for a null set, another tag or no rows.
std::string Build(RecordSet* thread);

// A date without its last 13 characters (seconds and fraction); shorter values stay whole.
std::string DateText(std::string_view date);
// A GBK value made safe between JSON quotes; a lone lead byte becomes '?'.
std::string JsonText(std::string_view gbk);

// True for a typed text (GBK) that is empty or only blanks: ASCII white space and the
// full-width space of Chinese input. The service keeps no such title, content or reply.
bool IsBlank(std::string_view gbk);

}  // namespace BoardDocument
