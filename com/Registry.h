// The registry: keys in a tree ("CLSID\{...}\InprocServer32"), each with named
// text values ("" is the default value). It lives in one text file, by default
// $XDG_DATA_HOME/velquor/registry (~/.local/share/velquor/registry), or where
// the environment variable VQ_COM_REGISTRY points. Key names compare without
// regard to ASCII case, as class ids are written in either case.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "com/HResult.h"

class Registry {
public:
    // The file the process uses, read from the environment at each call.
    static std::string DefaultPath();

    // Replaces the contents with the parsed text; on malformed text returns
    // false and keeps the contents unchanged.
    bool Parse(std::string_view text);
    std::string Serialize() const;

    // Reads the file; a missing file is an empty registry. A larger file than
    // kMaxFileBytes or a malformed one gives REGDB_E_READREGDB.
    HRESULT Load(const std::string& path);
    // Writes a complete new file and renames it over the old one, so readers
    // see the old or the new registry, never a half-written one.
    HRESULT Save(const std::string& path) const;

    static bool IsValidKey(std::string_view key);
    // Creates the key and its parents; false for an invalid key name.
    bool CreateKey(std::string_view key);
    bool KeyExists(std::string_view key) const;
    // Removes the key with all keys below it; false when it did not exist.
    bool DeleteKey(std::string_view key);
    bool SetValue(std::string_view key, std::string_view name, std::string_view value);
    std::optional<std::string> GetValue(std::string_view key, std::string_view name = {}) const;
    bool DeleteValue(std::string_view key, std::string_view name);
    // Direct children, in order.
    std::vector<std::string> SubKeys(std::string_view key) const;

    static constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

private:
    struct NoCaseLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using Values = std::map<std::string, std::string, NoCaseLess>;
    std::map<std::string, Values, NoCaseLess> keys_;
};

// Reads the process's registry file.
HRESULT ReadRegistry(Registry& out);
// Changes the process's registry file as one step: locks it against other
// writers, reads it, applies change and, when change succeeds, saves it.
HRESULT UpdateRegistry(const std::function<HRESULT(Registry&)>& change);
