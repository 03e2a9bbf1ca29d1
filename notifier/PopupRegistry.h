// The process-wide list of timed pop-up windows: a map from window id to
// window while it is open, and the closed windows waiting to be deleted
// (a window cannot delete itself while its own message is running).
#pragma once

#include <list>
#include <unordered_map>

class CMsgWnd;
class CPallinoteCtrl;

class PopupRegistry {
public:
    PopupRegistry();
    PopupRegistry(const PopupRegistry&) = delete;
    PopupRegistry& operator=(const PopupRegistry&) = delete;

    // Deletes the closed windows already destroyed, then maps id to window.
    void Register(int id, CMsgWnd* window);
    CMsgWnd* Find(int id) const;
    // Moves a closing window from the map to the closed list (once).
    void MoveToClosed(CMsgWnd* window);
    // Deletes every window that has been destroyed, closed or not.
    void PurgeDestroyed();
    // A control going away: its windows must not call it any more.
    void ForgetControl(const CPallinoteCtrl* ctrl);
    // Library end: purge, then forget the rest of the map.
    void Clear();

    std::size_t OpenCount() const { return map_.size(); }
    std::size_t ClosedCount() const { return closed_.size(); }

private:
    std::unordered_map<int, CMsgWnd*> map_;
    std::list<CMsgWnd*> closed_;
};
