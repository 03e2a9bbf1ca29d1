#pragma once
// Menus from resources, opened at a screen point. The chosen item reaches the owner window
// as WM_COMMAND with the item's id (posted, after the menu has closed).

#include <memory>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "platform/Types.h"

namespace fw {

class Window;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT kNoMenuItem = 0xFFFFFFFFu;

class Menu {
public:
    Menu() = default;
    // Loads menu resource `id`; false (and an empty menu) when there is none.
    bool LoadMenu(UINT id);
    bool IsEmpty() const { return root_.items.empty(); }
    UINT ResourceId() const { return resourceId_; }

    // The pop-up at `pos`, or null. The pointer lives as long as this menu.
    Menu* GetSubMenu(int pos);
    int GetMenuItemCount() const;
    // The command id at `pos`; kNoMenuItem for a pop-up, a separator or a bad position.
    UINT GetMenuItemID(int pos) const;
    std::string GetMenuString(int pos) const;
    bool SetDefaultItem(UINT item, bool byPosition);
    UINT GetDefaultItem() const;  // command id, or kNoMenuItem
    void AppendMenu(UINT flags, UINT id = 0, const std::string& text = "");

    // Shows the menu at (x, y) for `owner` and waits until it closes. With TPM_RETURNCMD
    // the chosen id is returned and nothing is sent; otherwise WM_COMMAND(id) is posted to
    // the owner and the result is nonzero when an item was chosen.
    UINT TrackPopupMenu(UINT flags, int x, int y, Window* owner);

    const MenuItem& Data() const { return root_; }

private:
    UINT resourceId_ = 0;
    MenuItem root_;
    std::vector<std::unique_ptr<Menu>> subMenus_;
};

}  // namespace fw
