#include "notifier/PopupRegistry.h"

#include <algorithm>

#include "notifier/MsgWnd.h"

PopupRegistry::PopupRegistry() : map_(17) {}

void PopupRegistry::Register(int id, CMsgWnd* window) {
    PurgeDestroyed();
    map_[id] = window;
}

CMsgWnd* PopupRegistry::Find(int id) const {
    const auto it = map_.find(id);
    return it == map_.end() ? nullptr : it->second;
}

void PopupRegistry::MoveToClosed(CMsgWnd* window) {
    for (auto it = map_.begin(); it != map_.end();) {
        it = it->second == window ? map_.erase(it) : std::next(it);
    }
    if (std::find(closed_.begin(), closed_.end(), window) == closed_.end()) {
        closed_.push_back(window);
    }
}

void PopupRegistry::PurgeDestroyed() {
    // A window destroyed without closing (its owner went, the framework ended)
    // never reached the closed list; it would stay mapped and leak.
    for (auto it = map_.begin(); it != map_.end();) {
        if (it->second->IsDestroyed()) {
            if (std::find(closed_.begin(), closed_.end(), it->second) == closed_.end()) {
                closed_.push_back(it->second);
            }
            it = map_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = closed_.begin(); it != closed_.end();) {
        if ((*it)->IsDestroyed()) {
            delete *it;
            it = closed_.erase(it);
        } else {
            ++it;
        }
    }
}

void PopupRegistry::ForgetControl(const CPallinoteCtrl* ctrl) {
    for (auto& [id, w] : map_) {
        if (w->Control() == ctrl)
            w->DetachControl();
    }
    for (CMsgWnd* w : closed_) {
        if (w->Control() == ctrl)
            w->DetachControl();
    }
}

void PopupRegistry::Clear() {
    PurgeDestroyed();
    map_.clear();
}
