#pragma once
// The program's resources: dialog templates, menus and string tables from the text files
// `*.vqrc`, and bitmaps, icons, sounds and built-in pages named by id in the index files
// `*.idx`. Every such file anywhere under the resource folder is read once at start.
// A resource that is missing draws nothing and fails nothing: lookups give null/empty.
//
// Index file grammar (one entry per line, UTF-8, "\n" or "\r\n" line ends):
//   line    := blank* ( entry | "#" any* )? blank*
//   entry   := kind blank+ id blank+ path
//   kind    := "bitmap" | "icon" | "sound" | "html"
//   id      := decimal 1..65535
//   path    := the rest of the line, blanks at its end trimmed; relative to the resource
//              folder `res/` itself (e.g. "art/bmp130.bmp"), "/" separated, no ".." parts
//   A first entry line "module <name>" puts the file's entries into the module <name> (the
//   control library's own resources, whose ids overlap the program's); see Module().
// Lines that do not match are skipped (and counted as errors). A later entry of the same
// kind and id replaces an earlier one; files are read in sorted path order.
//
// Definition file grammar (`*.vqrc`, UTF-8, texts converted to GBK when read): see
// platform/README.md. In short:
//   DIALOG id width height [UNITS DLU|PX]          ... END
//     CAPTION "text" | FONT points "face" | STYLE flags | EXSTYLE flags
//     CONTROL id kind x y width height "caption" [flags] [IMAGE id]
//   MENU id  POPUP "text"  ITEM id "text" [DEFAULT] | SEPARATOR  END  END
//   STRINGTABLE  id "text"  END

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Types.h"

namespace fw {

enum class ControlKind {
    Static,   // text label
    Picture,  // static picture of a bitmap resource (IMAGE id)
    Button,   // push button (owner-drawn with the OWNERDRAW flag)
    CheckBox,
    Radio,
    GroupBox,
    Edit,
    RichEdit,
    IpAddress,
    Html,   // the area a page view is attached to
    Site,   // a plain child area that a control (the notifier) draws into
    Custom  // windows made in code
};

// Push buttons, check boxes and radio buttons: pressed by a click or by Space.
constexpr bool IsButtonKind(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
           kind == ControlKind::Radio;
}

// "static", "picture", "button", ... as written in definition files; nullopt if unknown.
std::optional<ControlKind> ControlKindFromName(std::string_view name);
const char* ControlKindName(ControlKind kind);

struct ControlTemplate {
    UINT id = 0;
    ControlKind kind = ControlKind::Static;
    Rect rect;            // pixels, dialog client coordinates
    std::string caption;  // GBK
    DWORD style = 0;      // WS_* | kind's own style bits
    DWORD exStyle = 0;
    UINT imageId = 0;  // bitmap of a picture control
};

struct DialogTemplate {
    UINT id = 0;
    Size size;  // pixels
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string caption;  // GBK
    Font font;
    std::vector<ControlTemplate> controls;
};

struct MenuItem {
    UINT id = 0;       // 0 for a separator or a pop-up
    std::string text;  // GBK
    bool separator = false;
    bool isDefault = false;
    std::vector<MenuItem> items;  // a pop-up's items
    bool IsPopup() const { return !items.empty() || (!separator && id == 0); }
};

struct MenuTemplate {
    UINT id = 0;
    std::vector<MenuItem> items;  // the top level: normally pop-ups
};

enum class ResourceKind { Bitmap, Icon, Sound, Html };

// The one fixed rule for dialog units: 1 horizontal unit is 6/4 pixel and 1 vertical unit
// 13/8 pixel (the base units of the 8-point dialog font), rounded to the nearest pixel.
constexpr int DluToPixelsX(int dlu) {
    return (dlu * 6 + (dlu >= 0 ? 2 : -2)) / 4;
}
constexpr int DluToPixelsY(int dlu) {
    return (dlu * 13 + (dlu >= 0 ? 4 : -4)) / 8;
}

class Resources {
public:
    // Reads every *.idx and *.vqrc below `dirUtf8`. Returns false when the folder does not
    // exist; problems inside files are collected in Errors() and never stop the load.
    bool LoadDirectory(const std::string& dirUtf8);

    // Parsers, also used directly by tests and the fuzzer. `baseDir` is what index paths are
    // relative to. Both return the number of entries taken.
    int ParseIndex(std::string_view text, const std::string& baseDir);
    int ParseDefinitions(std::string_view text, const std::string& fileName = "");

    const DialogTemplate* FindDialog(UINT id) const;
    const MenuTemplate* FindMenu(UINT id) const;
    // The string table entry, or nullopt.
    std::optional<std::string> LoadString(UINT id) const;
    // Absolute path of a file resource, or "" when the id is not in any index.
    std::string FilePath(ResourceKind kind, UINT id) const;
    // Bytes of a file resource (pages, sounds), or nullopt.
    std::optional<std::vector<std::uint8_t>> ReadFile(ResourceKind kind, UINT id) const;
    // Decoded bitmaps and icons (icons are BMP pictures too); cached, null when missing
    // or unreadable. Thread-safe.
    std::shared_ptr<const Bitmap> LoadBitmap(UINT id) const;
    std::shared_ptr<const Bitmap> LoadIcon(UINT id) const;

    // The resources of a module (index files that begin with "module <name>"); an empty set
    // when there is none. The reference lives as long as this object.
    const Resources& Module(const std::string& name) const;

    const std::vector<std::string>& Errors() const { return errors_; }
    std::size_t DialogCount() const { return dialogs_.size(); }
    std::vector<UINT> DialogIds() const;
    void Clear();

    // The resources of the running program.
    static Resources& Global();

private:
    std::shared_ptr<const Bitmap> LoadPicture(ResourceKind kind, UINT id) const;
    std::map<UINT, DialogTemplate> dialogs_;
    std::map<UINT, MenuTemplate> menus_;
    std::map<UINT, std::string> strings_;
    std::map<std::pair<int, UINT>, std::string> files_;
    std::vector<std::string> errors_;
    std::map<std::string, std::unique_ptr<Resources>> modules_;
    mutable std::mutex cacheLock_;
    mutable std::map<std::pair<int, UINT>, std::shared_ptr<const Bitmap>> cache_;
};

// The resource folder: $VQ_RES_DIR when set, else "<folder of the program>/res".
std::string FindResourceDir(const char* argv0);

}  // namespace fw
