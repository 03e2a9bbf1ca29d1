// The process-wide list of timed pop-up windows: a map from window id to
// window while it is open, and the closed windows waiting to be deleted
// (a window cannot delete itself while its own message is running).
#pragma once

#include <list>
#include <memory>
#include <unordered_map>

class CMsgWnd;
class IPopupEvents;

class PopupRegistry {
public:
    PopupRegistry();
    ~PopupRegistry();
    PopupRegistry(const PopupRegistry&) = delete;
    PopupRegistry& operator=(const PopupRegistry&) = delete;

    // Deletes the closed windows already destroyed, then maps id to window.
    void Register(int id, CMsgWnd* window);
    CMsgWnd* Find(int id) const;
    // Moves a closing window from the map to the closed list (once).
    void MoveToClosed(CMsgWnd* window);
    // Deletes every window that has been destroyed, closed or not.
    void PurgeDestroyed();
    // A control going away: its windows report to the registry from now on,
    // which only collects them once they close.
    void ForgetEvents(const IPopupEvents* events);
    // Library end: purge, then forget the rest of the map.
    void Clear();

    std::size_t OpenCount() const { return map_.size(); }
    std::size_t ClosedCount() const { return closed_.size(); }

private:
    class Orphans;

    std::unique_ptr<Orphans> orphans_;
    std::unordered_map<int, CMsgWnd*> map_;
    std::list<CMsgWnd*> closed_;
};
