#include "platform/qt/X11Windows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/core/Text.h"

#ifdef VQ_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace fw::qt::x11 {

std::vector<std::uint32_t> DecodeWindowList(int format, std::span<const std::uint8_t> bytes) {
    std::vector<std::uint32_t> ids;
    if (format != 32) {
        return ids;
    }
    ids.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::uint32_t id = 0;
        std::memcpy(&id, bytes.data() + i, 4);  // the server sends our own byte order
        if (id != 0) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::string DecodeTitle(bool utf8, std::span<const std::uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t(0));
    const std::size_t n = std::size_t(end - bytes.begin());
    std::string text;
    if (utf8) {
        text.assign(reinterpret_cast<const char*>(bytes.data()), n);
    } else {
        text.reserve(n * 2);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = bytes[i];
            if (b < 0x80) {
                text += char(b);
            } else {
                text += char(0xC0 | (b >> 6));
                text += char(0x80 | (b & 0x3F));
            }
        }
    }
    return vq::Utf8ToGbk(text);
}

#ifdef VQ_HAVE_XCB

namespace {

// Property values are read up to this many 32-bit units: enough for any window list
// or title, and a bound on what a misbehaving client can make us read.
constexpr std::uint32_t kMaxPropertyLongs = 16384;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r != nullptr ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    int format = 0;
    std::vector<std::uint8_t> bytes;
};

Property GetProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom) {
    Property p;
    if (atom == XCB_ATOM_NONE) {
        return p;
    }
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxPropertyLongs),
        nullptr);
    if (r == nullptr) {
        return p;
    }
    const int len = xcb_get_property_value_length(r);
    if (len > 0 && len <= int(kMaxPropertyLongs * 4)) {
        const auto* v = static_cast<const std::uint8_t*>(xcb_get_property_value(r));
        p.bytes.assign(v, v + len);
        p.type = r->type;
        p.format = r->format;
    }
    std::free(r);
    return p;
}

bool Viewable(xcb_connection_t* c, xcb_window_t w, bool& exists) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    exists = a != nullptr;
    const bool viewable = a != nullptr && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return viewable;
}

xcb_window_t Root(xcb_connection_t* c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data->root : 0;
}

}  // namespace

std::vector<XWindow> ListTopLevels(xcb_connection_t* c, const std::vector<std::uint32_t>& own) {
    std::vector<XWindow> out;
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        return out;
    }
    const xcb_window_t root = Root(c);
    if (root == 0) {
        return out;
    }
    Property list = GetProperty(c, root, Atom(c, "_NET_CLIENT_LIST_STACKING"));
    std::vector<std::uint32_t> ids = DecodeWindowList(list.format, list.bytes);
    if (ids.empty()) {
        list = GetProperty(c, root, Atom(c, "_NET_CLIENT_LIST"));
        ids = DecodeWindowList(list.format, list.bytes);
    }
    const bool managed = !ids.empty();
    if (!managed) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        if (tree != nullptr) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            ids.assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
    }
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    // Both lists run bottom to top.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        if (std::find(own.begin(), own.end(), *it) != own.end()) {
            continue;
        }
        bool exists = false;
        const bool visible = Viewable(c, *it, exists);
        if (!exists || (!managed && !visible)) {
            continue;
        }
        XWindow w;
        w.id = *it;
        w.visible = visible;
        Property name = GetProperty(c, *it, netName);
        if (name.bytes.empty() || name.format != 8) {
            name = GetProperty(c, *it, XCB_ATOM_WM_NAME);
        }
        if (name.format == 8) {
            w.title = DecodeTitle(name.type == utf8 && utf8 != XCB_ATOM_NONE, name.bytes);
        }
        out.push_back(std::move(w));
    }
    return out;
}

bool Activate(xcb_connection_t* c, std::uint32_t id) {
    if (c == nullptr || xcb_connection_has_error(c) != 0 || id == 0) {
        return false;
    }
    bool exists = false;
    const bool viewable = Viewable(c, id, exists);
    if (!exists) {
        return false;
    }
    const xcb_window_t root = Root(c);
    // Window managers honour the activation request; without one, restack directly.
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = id;
    ev.type = Atom(c, "_NET_ACTIVE_WINDOW");
    ev.data.data32[0] = 2;  // a pager-like request
    ev.data.data32[1] = XCB_CURRENT_TIME;
    if (ev.type != XCB_ATOM_NONE && root != 0) {
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
    }
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    std::free(xcb_request_check(
        c, xcb_configure_window_checked(c, id, XCB_CONFIG_WINDOW_STACK_MODE, &above)));
    if (viewable) {
        std::free(xcb_request_check(
            c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, id, XCB_CURRENT_TIME)));
    }
    xcb_flush(c);
    return true;
}

#endif

}  // namespace fw::qt::x11
