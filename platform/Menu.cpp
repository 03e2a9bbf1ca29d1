#include "platform/Menu.h"

#include "platform/Backend.h"
#include "platform/Internal.h"
#include "platform/Window.h"

namespace fw {

bool Menu::LoadMenu(UINT id) {
    subMenus_.clear();
    root_ = MenuItem{};
    resourceId_ = id;
    const MenuTemplate* t = Resources::Global().FindMenu(id);
    if (t == nullptr) {
        return false;
    }
    root_.items = t->items;
    return true;
}

Menu* Menu::GetSubMenu(int pos) {
    if (pos < 0 || pos >= int(root_.items.size()) || !root_.items[std::size_t(pos)].IsPopup()) {
        return nullptr;
    }
    auto sub = std::make_unique<Menu>();
    sub->resourceId_ = resourceId_;
    sub->root_ = root_.items[std::size_t(pos)];
    subMenus_.push_back(std::move(sub));
    return subMenus_.back().get();
}

int Menu::GetMenuItemCount() const {
    return int(root_.items.size());
}

UINT Menu::GetMenuItemID(int pos) const {
    if (pos < 0 || pos >= int(root_.items.size())) {
        return kNoMenuItem;
    }
    const MenuItem& item = root_.items[std::size_t(pos)];
    return item.separator || item.IsPopup() ? kNoMenuItem : item.id;
}

std::string Menu::GetMenuString(int pos) const {
    if (pos < 0 || pos >= int(root_.items.size())) {
        return {};
    }
    return root_.items[std::size_t(pos)].text;
}

bool Menu::SetDefaultItem(UINT item, bool byPosition) {
    int found = -1;
    for (std::size_t i = 0; i < root_.items.size(); ++i) {
        const bool match = byPosition ? int(i) == int(item) : root_.items[i].id == item;
        if (match && !root_.items[i].separator) {
            found = int(i);
        }
    }
    if (found < 0) {
        return false;
    }
    for (std::size_t i = 0; i < root_.items.size(); ++i) {
        root_.items[i].isDefault = int(i) == found;
    }
    return true;
}

UINT Menu::GetDefaultItem() const {
    for (const MenuItem& i : root_.items) {
        if (i.isDefault && !i.separator) {
            return i.id;
        }
    }
    return kNoMenuItem;
}

void Menu::AppendMenu(UINT flags, UINT id, const std::string& text) {
    MenuItem item;
    item.separator = (flags & MF_SEPARATOR) != 0;
    item.id = item.separator ? 0 : id;
    item.text = text;
    root_.items.push_back(std::move(item));
}

UINT Menu::TrackPopupMenu(UINT flags, int x, int y, Window* owner) {
    const HWND ownerHwnd = owner != nullptr ? owner->GetSafeHwnd() : kNoWindow;
    UINT chosen = 0;
    RunOnUiThread([&] {
        Backend* b = GetBackend();
        if (b == nullptr || root_.items.empty()) {
            return;
        }
        const UINT def = GetDefaultItem();
        chosen = b->TrackPopupMenu(root_, def == kNoMenuItem ? 0 : def, Point{x, y}, ownerHwnd);
    });
    if (chosen == 0) {
        return 0;
    }
    if ((flags & TPM_RETURNCMD) != 0) {
        return chosen;
    }
    PostMessage(ownerHwnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return 1;
}

}  // namespace fw
