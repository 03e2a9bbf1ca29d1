#include "protocol/ServiceRequest.h"

#include <openssl/rand.h>

#include <climits>

#include "protocol/Crypto.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// atoi without its undefined overflow: leading blanks, a sign, then digits;
// the value saturates instead of wrapping.
long long ParseDecimal(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value < LLONG_MAX / 100) {
            value = value * 10 + (s[i] - '0');
        }
    }
    return negative ? -value : value;
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

constexpr ServiceParameter P(std::string_view name) {
    return {name, {}, false, false};
}
constexpr ServiceParameter Fixed(std::string_view name, std::string_view value) {
    return {name, value, true, false};
}
constexpr ServiceParameter Typed(std::string_view name) {
    return {name, {}, false, true};
}

constexpr ServiceParameter kVirid[] = {P("virid")};
constexpr ServiceParameter kHomeLatest[] = {Fixed("menuid", "9"), Fixed("count", "6"), P("virid")};
constexpr ServiceParameter kUserName[] = {P("username")};
constexpr ServiceParameter kNewId[] = {P("newid")};
constexpr ServiceParameter kFromId[] = {P("fromid")};
constexpr ServiceParameter kSendChat[] = {P("fromid"), P("toid"), Typed("msgcontent"),
                                          Fixed("totype", "0"), Fixed("state", "0")};
constexpr ServiceParameter kMarkRead[] = {Fixed("state", "1"), P("msgid")};
constexpr ServiceParameter kContacts[] = {P("virid"), P("orgidstr"), P("orgid")};
constexpr ServiceParameter kViridOrg[] = {P("virid"), P("orgid")};
constexpr ServiceParameter kMenu4Org[] = {Fixed("menuid", "4"), P("orgid")};
constexpr ServiceParameter kMenu4[] = {Fixed("menuid", "4")};
constexpr ServiceParameter kEmptyMenuOrg[] = {Fixed("menuid", ""), P("orgid")};
constexpr ServiceParameter kColumn[] = {P("coluid"), P("virid")};
constexpr ServiceParameter kMenuNews[] = {P("virid"), P("menuid")};
constexpr ServiceParameter kClassRoom[] = {P("virid"), Fixed("menuid", "16"), P("orgid")};
constexpr ServiceParameter kPassword[] = {P("virid"), P("newpass")};
constexpr ServiceParameter kMyLove[] = {P("virid"), P("mylove")};
constexpr ServiceParameter kCustom[] = {Typed("name"), Typed("usrcode"), Typed("addr"),
                                        Typed("mobile"), Typed("pho")};
constexpr ServiceParameter kQuestionnaire[] = {P("virid"), P("pinfen"), P("liangdian"),
                                               Typed("jianyi")};
constexpr ServiceParameter kLoginState[] = {P("state"), P("virid")};
constexpr ServiceParameter kBoardReply[] = {P("partenid"), P("virid"), Typed("meno"),
                                            Typed("title"), P("orgid")};
constexpr ServiceParameter kBoardPost[] = {Fixed("partenid", "-1"), P("virid"), Typed("meno"),
                                           Typed("title"), P("orgid")};
constexpr ServiceParameter kBoardList[] = {P("virid"), P("orgid"), P("usertype")};
constexpr ServiceParameter kSearch[] = {Typed("cont")};
constexpr ServiceParameter kMsgId[] = {P("msgid")};

constexpr SubFunction kTable[] = {
    {ServiceCall::kMenu, 1, kVirid, "CMyShowHtmlDlg"},
    {ServiceCall::kHomeNews, 2, kVirid, "CMyShowHtmlDlg"},
    {ServiceCall::kHomeLatest, 2, kHomeLatest, "CMyShowHtmlDlg"},
    {ServiceCall::kUserIdentity, 10, kUserName, "COrvanelDlg"},
    {ServiceCall::kArticle, 12, kNewId, "CMyShowHtmlDlg"},
    {ServiceCall::kNewChatMessages, 13, kFromId, "COrvanelDlg"},
    {ServiceCall::kSendChat, 14, kSendChat, "CImChatDlg"},
    {ServiceCall::kMarkChatRead, 15, kMarkRead, "CImChatDlg"},
    {ServiceCall::kContacts, 16, kContacts, "CMyShowHtmlDlg"},
    {ServiceCall::kPoll, 18, kViridOrg, "COrvanelDlg"},
    {ServiceCall::kListTabOrg, 19, kMenu4Org, "CMyShowHtmlDlg"},
    {ServiceCall::kListTab, 19, kMenu4, "CMyShowHtmlDlg"},
    {ServiceCall::kListTab2, 20, kEmptyMenuOrg, "CMyShowHtmlDlg"},
    {ServiceCall::kListTab3, 21, kEmptyMenuOrg, "CMyShowHtmlDlg"},
    {ServiceCall::kListTab4, 23, kVirid, "CMyShowHtmlDlg"},
    {ServiceCall::kColumnNews, 25, kColumn, "CMyShowHtmlDlg"},
    {ServiceCall::kMenuNews, 34, kMenuNews, "CMyShowHtmlDlg"},
    {ServiceCall::kClassRoom, 34, kClassRoom, "CMyShowHtmlDlg"},
    {ServiceCall::kChangePassword, 37, kPassword, "CModifyPasswordDlg"},
    {ServiceCall::kSetFavourite, 38, kMyLove, "CMyBestLoveDlg"},
    {ServiceCall::kFavouriteColumns, 39, kMyLove, "CSettingMyInfoDlg"},
    {ServiceCall::kCustomRequest, 41, kCustom, "CCustomRequestDlg"},
    {ServiceCall::kQuestionnaire, 42, kQuestionnaire, "CQuestionnaireDlg"},
    {ServiceCall::kLoginState, 43, kLoginState, "CMyLoginStateSettingDlg"},
    {ServiceCall::kBoardReply, 45, kBoardReply, "CLeavewordcontentHtmlDlg"},
    {ServiceCall::kBoardPost, 45, kBoardPost, "CLeavewordDlg"},
    {ServiceCall::kBoardList, 46, kBoardList, "CMyShowHtmlDlg"},
    {ServiceCall::kSearch, 47, kSearch, "CMyShowHtmlDlg"},
    {ServiceCall::kBoardMessage, 48, kMsgId, "CMyShowHtmlDlg"},
    {ServiceCall::kHomeImages, 49, {}, "CMyShowHtmlDlg"},
};

void AppendParameters(std::string& text, std::span<const ServiceParameter> parameters,
                      std::initializer_list<std::string_view> values) {
    auto value = values.begin();
    for (const ServiceParameter& p : parameters) {
        text += '&';
        text += p.name;
        text += '=';
        if (p.fixed) {
            text += p.fixedValue;
            continue;
        }
        const std::string_view v = value != values.end() ? *value++ : std::string_view();
        if (p.userText) {
            text += EscapeUserText(v);
        } else {
            text += v;
        }
    }
}

}  // namespace

PackageCounter& PackageCounter::Global() {
    static PackageCounter* counter = new PackageCounter;  // outlives any worker
    return *counter;
}

void AppendCommonParameters(std::string& text, bool compress, bool unicode,
                            std::string_view session, const ConnectionContext& context) {
    if (compress) {
        text += "&TC_COMPRESS=18";
    }
    if (unicode) {
        text += "&tc_isunicode=1";
    }
    if (!session.empty()) {
        text += "&tc_session={";
        text += session;
        text += '}';
    }
    text += context.common;
    text += "&packageid=";
    text += std::to_string(context.counter->Next());
    text += "&netaddr=";
    text += context.common;
}

std::string MaskLoginText(std::string_view text) {
    std::string out(text);
    for (std::string_view key : {std::string_view("&userKey="), std::string_view("&loginPwd=")}) {
        const size_t at = out.find(key);
        if (at == std::string::npos) {
            continue;
        }
        const size_t begin = at + key.size();
        size_t end = out.find('&', begin);
        if (end == std::string::npos) {
            end = out.size();
        }
        out.replace(begin, end - begin, "******");
    }
    return out;
}

std::string BuildLoginText(const ConnectionContext& context, std::FILE* diagnostics) {
    // The key bytes must not be predictable, so they come from the
    // cryptographic generator; the service expects each to be at most 254.
    uint8_t key[16] = {};
    std::string keyValue;
    if (RAND_bytes(key, sizeof key) == 1) {
        for (uint8_t& b : key) {
            b = static_cast<uint8_t>(b % 255);
        }
        CRSA rsa;
        rsa.LoadPublicKey(context.publicKeyFile.c_str());
        uint8_t encrypted[1024];
        int length = sizeof encrypted;
        rsa.Encrypt(key, sizeof key, encrypted, &length);
        keyValue = HexEncode(encrypted, static_cast<size_t>(length));
        OPENSSL_cleanse(key, sizeof key);
    }

    uint8_t digest[16];
    CalcMD5(reinterpret_cast<const uint8_t*>(context.password.data()), context.password.size(),
            digest);

    std::string text = context.renZheng;
    text += "&loginID=";
    text += context.userName;
    text += "&userKey=";
    text += keyValue;
    text += "&loginPwd=";
    text += HexEncode(digest, sizeof digest);
    text += "&netaddr=";
    text += context.userName;
    if (diagnostics != nullptr) {
        std::fprintf(diagnostics, "FixRenZhengUrl : %s\r\n", MaskLoginText(text).c_str());
        std::fflush(diagnostics);
    }
    return text;
}

void FrameHttpPost(std::string& text) {
    std::string framed =
        "POST / HTTP/1.1\r\nUser-Agent:QOR ZArid Client\r\nContent-Language:en-US\r\n"
        "Content-Type:application/x-www-form-urlencoded\r\nConnection: Keep-Alive\r\n"
        "Content-Length: ";
    framed += std::to_string(text.size());
    framed += "\r\n\r\n";
    framed += text;
    text = std::move(framed);
}

int SplitHttpReply(std::string& buffer) {
    const size_t blank = buffer.find("\r\n\r\n");
    if (blank == std::string::npos || blank == 0) {
        return kHttpIncomplete;
    }
    // Only the header is searched, so a body cannot supply its own length.
    constexpr std::string_view kName = "Content-Length:";
    const std::string_view header(buffer.data(), blank);
    const size_t at = header.find(kName);
    if (at == std::string_view::npos) {
        return kHttpIncomplete;
    }
    const size_t digits = at + kName.size() + 1;
    std::string_view number;
    if (digits < buffer.size()) {
        number = std::string_view(buffer).substr(digits);
        const size_t end = number.find_first_of("\r\n");
        if (end != std::string_view::npos) {
            number = number.substr(0, end);
        }
    }
    const long long length = ParseDecimal(number);
    const size_t bodyStart = blank + 4;
    if (length < 0 || static_cast<unsigned long long>(length) != buffer.size() - bodyStart) {
        return kHttpIncomplete;
    }
    buffer.erase(0, bodyStart);
    return kHttpComplete;
}

FunctionNumbers ReadFunctionNumbers(std::string_view text) {
    const std::string lower = ToLower(text);
    uint16_t values[3] = {0, 0, 0};
    constexpr std::string_view kKeys[3] = {"tc_service=", "tc_mfuncno=", "tc_sfuncno="};
    for (int i = 0; i < 3; ++i) {
        const size_t at = lower.find(kKeys[i]);
        if (at == std::string::npos || lower.find('&', at) == std::string::npos) {
            continue;
        }
        const long long v = ParseDecimal(std::string_view(lower).substr(at + kKeys[i].size()));
        values[i] = static_cast<uint16_t>(static_cast<unsigned long long>(v));
    }
    return {values[0], values[1], values[2]};
}

std::string HexEncode(const uint8_t* bytes, size_t size) {
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += kHexDigits[bytes[i] >> 4];
        out += kHexDigits[bytes[i] & 15];
    }
    return out;
}

std::string HexEncode(std::string_view bytes) {
    return HexEncode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string HexDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int hi = HexValue(text[i]);
        const int lo = HexValue(text[i + 1]);
        out += static_cast<char>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
    }
    return out;
}

std::string EscapeUserText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '&':
                out += "%26";
                break;
            case '=':
                out += "%3D";
                break;
            case '+':
                out += "%2B";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeUserText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            const int v = hi < 0 || lo < 0 ? -1 : (hi << 4) | lo;
            if (v == '%' || v == '&' || v == '=' || v == '+') {
                out += static_cast<char>(v);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::span<const SubFunction> SubFunctionTable() {
    return kTable;
}

const SubFunction& GetSubFunction(ServiceCall call) {
    return kTable[static_cast<size_t>(call)];
}

std::string BuildServiceText(ServiceCall call, std::initializer_list<std::string_view> values) {
    const SubFunction& f = GetSubFunction(call);
    std::string text(kParameterPrefix);
    text += std::to_string(f.number);
    AppendParameters(text, f.parameters, values);
    return text;
}

std::string BuildSearchText(std::string_view kind, std::string_view searchText) {
    std::string text(kParameterPrefix);
    text += kind == "10" ? std::string_view("47") : kind;
    AppendParameters(text, GetSubFunction(ServiceCall::kSearch).parameters, {searchText});
    return text;
}
