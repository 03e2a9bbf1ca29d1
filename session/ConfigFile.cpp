#include "session/ConfigFile.h"

#include <mutex>

#include "platform/core/File.h"
#include "platform/core/Profile.h"
#include "session/IniFileReader.h"

namespace {

// Buffer size for the profile functions: the limit plus the terminator.
constexpr std::size_t kUnlimitedChars = 4096;
std::size_t BufferChars(const ConfigKey& k) {
    return k.maxChars == 0 ? kUnlimitedChars : k.maxChars + 1;
}

}  // namespace

std::string ReadConfigText(ConfigId id, std::string_view path) {
    const ConfigKey& k = Config(id);
    return vq::GetPrivateProfileString(k.section, k.key, k.def, BufferChars(k), path);
}

int ReadConfigInt(ConfigId id, std::string_view path) {
    const ConfigKey& k = Config(id);
    return vq::GetPrivateProfileInt(k.section, k.key, vq::ParseIntLikeAtoi(k.def), path);
}

bool WriteConfigText(ConfigId id, std::string_view value, std::string_view path) {
    const ConfigKey& k = Config(id);
    return vq::WritePrivateProfileString(k.section, k.key, value, path);
}

std::string IniReadText(ConfigId id, std::string_view path) {
    const ConfigKey& k = Config(id);
    CIniFileReader ini;
    if (!ini.SetFileName(path)) {
        return std::string(k.def);
    }
    ini.Load();
    const int sec = ini.FindSection(k.section);
    const int pos = sec < 0 ? -1 : ini.FindKey(sec, k.key);
    std::string value = pos < 0 ? std::string(k.def) : ini.ReadValue(pos);
    ini.Release();
    return value;
}

int IniReadInt(ConfigId id, std::string_view path) {
    return vq::ParseIntLikeAtoi(IniReadText(id, path));
}

bool IniWriteValues(std::initializer_list<std::pair<ConfigId, std::string_view>> values,
                    std::string_view path) {
    vq::SettingsFileLock lock(path);
    CIniFileReader ini;
    if (!ini.SetFileName(path)) {
        return false;
    }
    ini.Load();
    for (const auto& [id, value] : values) {
        const ConfigKey& k = Config(id);
        if (!ini.SetValue(k.key, k.section, value)) {
            return false;
        }
    }
    return ini.Save();
}

NetSettings ReadNetSettings(std::string_view path) {
    NetSettings s;
    s.ip = ReadConfigText(ConfigId::kNetIp, path);
    s.httpPort = ReadConfigInt(ConfigId::kNetHttpPort, path);
    s.tcPort = ReadConfigInt(ConfigId::kNetTcPort, path);
    s.use = ReadConfigInt(ConfigId::kNetUse, path);
    s.port = s.use == 2 ? s.tcPort : s.httpPort;
    return s;
}

UrlSettings ReadUrlSettings(std::string_view path) {
    return {ReadConfigText(ConfigId::kUrlCommon, path),
            ReadConfigText(ConfigId::kUrlRenZheng, path),
            ReadConfigText(ConfigId::kUrlInLogin, path)};
}

UserDefaults ReadUserDefaults(std::string_view path) {
    return {ReadConfigText(ConfigId::kUserName, path), ReadConfigText(ConfigId::kUserPass, path)};
}

ManagerSettings ReadManagerSettings(std::string_view path) {
    ManagerSettings m;
    m.remember = IniReadInt(ConfigId::kManagerIsRemFlag, path) == 1;
    m.autoLogin = IniReadInt(ConfigId::kManagerIsLoginFlag, path) == 1;
    m.userName = IniReadText(ConfigId::kManagerUserName, path);
    m.userPassword = IniReadText(ConfigId::kManagerUserPassword, path);
    return m;
}

bool WriteConfigStamp(std::string_view path) {
    const ConfigKey& infor = Config(ConfigId::kInforName);
    const ConfigKey& version = Config(ConfigId::kVersionName);
    // Both writes are attempted even when the first fails.
    const bool a = WriteConfigText(ConfigId::kInforName, infor.def, path);
    const bool b = WriteConfigText(ConfigId::kVersionName, version.def, path);
    return a && b;
}

bool WriteNetAddress(std::string_view ip, std::string_view tcPort, std::string_view path) {
    return IniWriteValues({{ConfigId::kNetIp, ip}, {ConfigId::kNetTcPort, tcPort}}, path);
}

bool ClearRememberedLogin(std::string_view path) {
    bool ok = WriteConfigText(ConfigId::kManagerIsRemFlag, "0", path);
    ok = WriteConfigText(ConfigId::kManagerUserName, "", path) && ok;
    ok = WriteConfigText(ConfigId::kManagerUserPassword, "", path) && ok;
    return ok;
}
