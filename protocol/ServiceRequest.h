#pragma once

// Request texts of the service protocol: the queued request item, the table of
// sub functions, the common parameters, the login text, HTTP framing and the
// hexadecimal and escape helpers.

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

class SocketChannel;

enum RequestKind : int32_t {
    kRequestLogin = 1,
    kRequestServiceCall = 2,
};

enum RequestState : int32_t {
    kRequestTaken = 0,
    kRequestWaiting = 2,
};

// Every service call text starts with this, then the sub function number.
inline constexpr std::string_view kParameterPrefix = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";
// Text of the queued login request; the worker builds the real login text.
inline constexpr std::string_view kLoginPlaceholder = "x122";
// The key file the login encrypts with, in the current directory.
inline constexpr std::string_view kPublicKeyFile = ".\\pubkey.bin";

// One queued service call; owned by the RequestQueue once queued.
struct ServiceRequest {
    int32_t kind = kRequestLogin;
    int32_t state = kRequestWaiting;
    std::string text;  // as issued, before the common parameters
    uint8_t unicode = 0;
    uint8_t compress = 0;
    std::string session;  // session value current when issued; empty before login
};

// The process-wide `packageid` counter: incremented before each use.
class PackageCounter {
public:
    uint32_t Next() { return ++value_; }
    uint32_t Current() const { return value_; }
    static PackageCounter& Global();

private:
    std::atomic<uint32_t> value_{0};
};

// What the worker hands the text builders for one request.
struct ConnectionContext {
    std::string common;    // [URL] COMMON
    std::string renZheng;  // [URL] RenZheng
    std::string userName;
    std::string password;
    SocketChannel* channel = nullptr;
    PackageCounter* counter = &PackageCounter::Global();
    std::string publicKeyFile{kPublicKeyFile};
};

// Appends, in order: "&TC_COMPRESS=18", "&tc_isunicode=1" (when flagged),
// "&tc_session={session}" (when not empty), COMMON, "&packageid=" with the next
// counter value, "&netaddr=" and COMMON again.
void AppendCommonParameters(std::string& text, bool compress, bool unicode,
                            std::string_view session, const ConnectionContext& context);

// The login text: RenZheng, loginID, userKey (16 random bytes encrypted with the
// public key, hex), loginPwd (hex MD5 of the password), netaddr. Writes the
// diagnostic line "FixRenZhengUrl : ..." to `diagnostics` (null: none) with the
// key and digest masked. The common parameters are appended by the caller.
std::string BuildLoginText(const ConnectionContext& context, std::FILE* diagnostics = stdout);
// The diagnostic form of a login text: userKey and loginPwd values masked.
std::string MaskLoginText(std::string_view text);

// Turns the text, in place, into the whole HTTP POST request.
void FrameHttpPost(std::string& text);

enum HttpSplitResult : int {
    kHttpComplete = 0,
    kHttpIncomplete = 2,
};
// On all bytes received so far: when the body after the blank line has exactly
// the Content-Length, the buffer is replaced by the body and the result is 0;
// otherwise 2 and the buffer is unchanged.
int SplitHttpReply(std::string& buffer);

struct FunctionNumbers {
    uint16_t service = 0;
    uint16_t mainFunction = 0;
    uint16_t subFunction = 0;
};
// tc_service, TC_MFUNCNO, TC_SFUNCNO read from a final text (letter case ignored;
// a key counts only when an "&" follows somewhere; absent keys read 0).
FunctionNumbers ReadFunctionNumbers(std::string_view text);

// Two lowercase hex digits per byte.
std::string HexEncode(const uint8_t* bytes, size_t size);
std::string HexEncode(std::string_view bytes);
// The reverse; an odd last digit is dropped, a non-hex digit counts as 0.
std::string HexDecode(std::string_view text);

// Percent-encodes exactly "%", "&", "=" and "+" so that text typed by a user
// cannot add or change parameters; every other byte (GBK included) is kept.
std::string EscapeUserText(std::string_view text);
// Undoes EscapeUserText: decodes %25, %26, %3D and %2B (either hex case) only.
std::string UnescapeUserText(std::string_view text);

// Every service call the system issues, one entry per row of the sub function table.
enum class ServiceCall {
    kMenu,              // 1: virid
    kHomeNews,          // 2: virid
    kHomeLatest,        // 2: menuid=9, count=6, virid
    kUserIdentity,      // 10: username
    kArticle,           // 12: newid
    kNewChatMessages,   // 13: fromid
    kSendChat,          // 14: fromid, toid, msgcontent, totype=0, state=0
    kMarkChatRead,      // 15: state=1, msgid
    kContacts,          // 16: virid, orgidstr, orgid
    kPoll,              // 18: virid, orgid
    kListTabOrg,        // 19: menuid=4, orgid
    kListTab,           // 19: menuid=4
    kListTab2,          // 20: menuid (empty), orgid
    kListTab3,          // 21: menuid (empty), orgid
    kListTab4,          // 23: virid
    kColumnNews,        // 25: coluid, virid
    kMenuNews,          // 34: virid, menuid
    kClassRoom,         // 34: virid, menuid=16, orgid
    kChangePassword,    // 37: virid, newpass
    kSetFavourite,      // 38: virid, mylove
    kFavouriteColumns,  // 39: virid, mylove
    kCustomRequest,     // 41: name, usrcode, addr, mobile, pho
    kQuestionnaire,     // 42: virid, pinfen, liangdian, jianyi
    kLoginState,        // 43: state, virid
    kBoardReply,        // 45: partenid, virid, meno, title, orgid
    kBoardPost,         // 45: partenid=-1, virid, meno, title, orgid
    kBoardList,         // 46: virid, orgid, usertype
    kSearch,            // 47: cont
    kBoardMessage,      // 48: msgid
    kHomeImages,        // 49: none
};

struct ServiceParameter {
    std::string_view name;
    std::string_view fixedValue;  // used when `fixed` is set
    bool fixed = false;
    bool userText = false;  // typed by a user: escaped on the way in
};

struct SubFunction {
    ServiceCall call;
    int number;
    std::span<const ServiceParameter> parameters;
    std::string_view issuer;
};

// The table of sub functions, in the order of ServiceCall.
std::span<const SubFunction> SubFunctionTable();
const SubFunction& GetSubFunction(ServiceCall call);

// The parameter text of a call: the prefix, the number, then each parameter in
// table order. `values` supply the parameters that are not fixed, in order (a
// missing value is empty); user texts are escaped, other values kept unchanged.
std::string BuildServiceText(ServiceCall call, std::initializer_list<std::string_view> values);
// A search: kind "10" is sub function 47, any other kind is itself the number.
std::string BuildSearchText(std::string_view kind, std::string_view searchText);
