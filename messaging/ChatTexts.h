#pragma once
// The texts a chat produces: message blocks (the unit of the chat view, the log and the
// history), time stamps, the page documents about contacts and the requests it queues.
// Everything is GBK.

#include <ctime>
#include <string>
#include <string_view>

namespace ChatTexts {

// speaker + "： " + stamp + "\r\n" + content + "\r\n\r\n".
std::string MessageBlock(std::string_view speaker, std::string_view stamp,
                         std::string_view content);
// The stamp of a message sent now: "2010-5-7  9：3：15" (no zero padding, full-width colons).
std::string SentTimeStamp(const std::tm& local);
// The stamp of a received row: its date without the last 4 characters (the fraction of the
// seconds); shorter dates stay whole.
std::string ReceivedTimeStamp(std::string_view msgDate);
// The same for a history ("getim20") row, where a date shorter than 4 characters gives none.
std::string HistoryTimeStamp(std::string_view msgDate);

// Equal without regard to ASCII letter case; the second byte of a GBK character is compared
// exactly, so two different Chinese characters never pass for one.
bool SameNoCase(std::string_view a, std::string_view b);

// A value made safe between JSON quotes: backslash, double quote and control characters are
// escaped, GBK double-byte characters are left whole and a lead byte without its second
// byte becomes "?".
std::string JsonValue(std::string_view gbk);
// {"line":[{"title":"T","uid":"F"}]} for the page's "changepic": title "1" when the message
// reached an open window, "2" when it waits.
std::string ChangePicDocument(bool delivered, std::string_view fromId);

// Sub function 14; the content goes through the user-text escaping.
std::string SendRequest(std::string_view ownId, std::string_view contactId,
                        std::string_view content);
// Sub function 15 with state 1.
std::string MarkReadRequest(std::string_view msgId);

// The first line of a message for a desktop notification: up to the first line break, cut
// to at most `maxBytes` without splitting a character.
std::string FirstLine(std::string_view content, std::size_t maxBytes);

}  // namespace ChatTexts
