#pragma once
// config.ini: every key the program reads or writes, and the typed accessors that all
// readers and writers go through. Values are GBK texts.

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

inline constexpr std::string_view kConfigFileName = ".//config.ini";

enum class ConfigType {
    kText,   // free text, at most maxChars bytes when read with the profile functions
    kInt,    // read as atoi does
    kFlag,   // "1" or "0"
    kChar,   // one character
    kStamp,  // written at every start with the fixed value, read by nobody
};

struct ConfigKey {
    std::string_view section;
    std::string_view key;
    ConfigType type;
    std::size_t maxChars;  // longest value kept; 0 for no limit
    std::string_view def;  // value when absent; for stamps, the value written
};

enum class ConfigId : std::size_t {
    kNetIp,
    kNetHttpPort,
    kNetTcPort,
    kNetUse,
    kUrlCommon,
    kUrlRenZheng,
    kUrlInLogin,
    kUserName,
    kUserPass,
    kManagerIsRemFlag,
    kManagerIsLoginFlag,
    kManagerUserName,
    kManagerUserPassword,
    kInforName,
    kVersionName,
    kLoginStateValue,
    kUrlConsole,
    kUrlQuotes,
    kUrlCommunity,
    kUrlStockInfo,
    kCount
};

// In ConfigId order. "read:" and "written:" name who does it and how (profile
// functions or CIniFileReader).
inline constexpr std::array<ConfigKey, static_cast<std::size_t>(ConfigId::kCount)> kConfigKeys{{
    // read: worker start (profile); written: network settings dialog (CIniFileReader)
    {"NET", "IP", ConfigType::kText, 15, ""},
    // read: worker start (profile); written: nobody
    {"NET", "HTTPPORT", ConfigType::kInt, 0, "0"},
    // read: worker start (profile); written: network settings dialog (CIniFileReader)
    {"NET", "TCPORT", ConfigType::kInt, 0, "0"},
    // 0 HTTP, 2 binary on TCPORT, other binary on HTTPPORT. read: worker start (profile)
    {"NET", "USE", ConfigType::kInt, 0, "0"},
    // appended to every request. read: worker start (profile); written: nobody
    {"URL", "COMMON", ConfigType::kText, 199, ""},
    // starts the login text. read: worker start (profile); written: nobody
    {"URL", "RenZheng", ConfigType::kText, 199, ""},
    // outside login page. read: portal page dialog at start (profile); written: nobody
    {"URL", "InLogin", ConfigType::kText, 159, ""},
    // read: worker start, then replaced by the typed name (profile); written: nobody
    {"USER", "NAME", ConfigType::kText, 199, ""},
    // read: worker start, then replaced by the typed password (profile); written: nobody
    {"USER", "PASS", ConfigType::kText, 199, ""},
    // read: login dialog (CIniFileReader); written: login dialog, main window on re-login
    {"Manager", "IsRemFlag", ConfigType::kFlag, 0, "0"},
    // read: login dialog (CIniFileReader); written: login dialog, main window on re-login
    {"Manager", "IsLoginFlag", ConfigType::kFlag, 0, "0"},
    // read: login dialog (CIniFileReader); written: login dialog after a login, cleared
    // when not remembered, main window on re-login
    {"Manager", "UserName", ConfigType::kText, 0, ""},
    // the password in plain text (hence mode 0600); read and written as UserName
    {"Manager", "UserPassword", ConfigType::kText, 0, ""},
    // written: login dialog at every start (profile)
    {"INFOR", "NAME", ConfigType::kStamp, 0, "config"},
    // written: login dialog at every start (profile)
    {"VERSION", "NAME", ConfigType::kStamp, 0, "3.0"},
    // "0" to "3". read and written: login-state setting page (profile)
    {"LoginStateFLag", "value", ConfigType::kChar, 1, ""},
    // outside sites of the portal's links. read: portal page dialog at a click (profile)
    {"URL", "Console", ConfigType::kText, 199, "http://console.velquor.example/login.html"},
    {"URL", "Quotes", ConfigType::kText, 199, "http://quotes.velquor.example/"},
    {"URL", "Community", ConfigType::kText, 199, "http://community.velquor.example/"},
    {"URL", "StockInfo", ConfigType::kText, 199, "http://f10.velquor.example/"},
}};

constexpr const ConfigKey& Config(ConfigId id) {
    return kConfigKeys[static_cast<std::size_t>(id)];
}

// Single values through the profile functions; texts cut to the key's limit.
std::string ReadConfigText(ConfigId id, std::string_view path = kConfigFileName);
int ReadConfigInt(ConfigId id, std::string_view path = kConfigFileName);
bool WriteConfigText(ConfigId id, std::string_view value, std::string_view path = kConfigFileName);

// Single values through CIniFileReader, loaded afresh for each value (absent reads as
// the key's default; flags are read with atoi).
std::string IniReadText(ConfigId id, std::string_view path = kConfigFileName);
int IniReadInt(ConfigId id, std::string_view path = kConfigFileName);
// Load, set every pair, write back whole; false when a value is refused or the file
// cannot be written (then the file is unchanged).
bool IniWriteValues(std::initializer_list<std::pair<ConfigId, std::string_view>> values,
                    std::string_view path = kConfigFileName);

struct NetSettings {
    std::string ip;
    int httpPort = 0;
    int tcPort = 0;
    int use = 0;
    int port = 0;  // TCPORT when USE is 2, otherwise HTTPPORT
};
NetSettings ReadNetSettings(std::string_view path = kConfigFileName);

struct UrlSettings {
    std::string common;
    std::string renZheng;
    std::string inLogin;
};
UrlSettings ReadUrlSettings(std::string_view path = kConfigFileName);

struct UserDefaults {
    std::string name;
    std::string pass;
};
UserDefaults ReadUserDefaults(std::string_view path = kConfigFileName);

struct ManagerSettings {
    bool remember = false;
    bool autoLogin = false;
    std::string userName;
    std::string userPassword;
};
ManagerSettings ReadManagerSettings(std::string_view path = kConfigFileName);

// INFOR/NAME and VERSION/NAME, written before anything is read at start.
bool WriteConfigStamp(std::string_view path = kConfigFileName);

// The network settings dialog's change: IP and TCPORT in one write-back.
bool WriteNetAddress(std::string_view ip, std::string_view tcPort,
                     std::string_view path = kConfigFileName);

// "Do not remember me": IsRemFlag "0" and the user name and password emptied, with the
// profile functions. Every write is attempted; false when any failed.
bool ClearRememberedLogin(std::string_view path = kConfigFileName);
