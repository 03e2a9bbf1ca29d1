#include "notifier/PopupRegistry.h"

#include <algorithm>

#include "notifier/ControlEvents.h"
#include "notifier/MsgWnd.h"

// Hears the windows whose control has gone: nothing to raise, nobody to own
// them; a closing window still has to reach the closed list to be deleted.
class PopupRegistry::Orphans final : public IPopupEvents {
public:
    explicit Orphans(PopupRegistry& registry) : registry_(registry) {}
    fw::Window* PopupOwner() override { return nullptr; }
    std::u16string PopupViewUrl() override { return {}; }
    void OnPopupLink(const std::u16string&, const std::u16string&, const std::u16string&,
                     const std::u16string&, const std::u16string&) override {}
    void OnPopupMessageClosed(const std::u16string&, const std::u16string&,
                              const std::u16string&) override {}
    void OnPopupClosing(CMsgWnd& wnd) override { registry_.MoveToClosed(&wnd); }
    void OnPopupDestroyed(CMsgWnd&) override {}

private:
    PopupRegistry& registry_;
};

PopupRegistry::PopupRegistry() : orphans_(std::make_unique<Orphans>(*this)), map_(17) {}

PopupRegistry::~PopupRegistry() = default;

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

void PopupRegistry::ForgetEvents(const IPopupEvents* events) {
    for (auto& [id, w] : map_) {
        if (w->Events() == events)
            w->SetEvents(orphans_.get());
    }
    for (CMsgWnd* w : closed_) {
        if (w->Events() == events)
            w->SetEvents(orphans_.get());
    }
}

void PopupRegistry::Clear() {
    PurgeDestroyed();
    // What is still open is left to the framework; it must not report to a
    // registry that is going away.
    for (auto& [id, w] : map_)
        w->SetEvents(nullptr);
    for (CMsgWnd* w : closed_)
        w->SetEvents(nullptr);
    map_.clear();
}
