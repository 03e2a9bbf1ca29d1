// The gallery: every dialog template of res/ rendered with its background picture and its
// drawn buttons, once per button state, saved as PNG files under <build>/gallery/<backend>/
// for review. The checks make sure each picture really shows the art it should: the
// background where nothing covers it, and each button's bitmap of the state.

#include <gtest/gtest.h>

#include <map>

#include "platform/core/Text.h"
#include "skin/CutCornerRegion.h"
#include "skin/MyDrawBtn.h"
#include "tests/skin/TestSupport.h"
#ifdef VQ_GALLERY_QT
#include "platform/qt/QtRegister.h"
#endif

namespace {

using fw::UINT;

struct ButtonArt {
    UINT id;
    UINT bitmaps[4];  // normal, hover, pressed, disabled
};

enum class Back { None, Bitmap, Frame, MainStrip };

struct DialogArt {
    UINT dialog;
    Back back;
    UINT background;  // Back::Bitmap
    bool cutCorners;
    std::vector<ButtonArt> buttons;
};

constexpr UINT kMin[4] = {141, 133, 136, 141};
constexpr UINT kClose[4] = {140, 134, 135, 140};
constexpr UINT kToggle[4] = {235, 237, 236, 235};

ButtonArt Set(UINT id, const UINT (&b)[4]) {
    return {id, {b[0], b[1], b[2], b[3]}};
}
ButtonArt One(UINT id, UINT b) {
    return {id, {b, b, b, b}};
}
ButtonArt Four(UINT id, UINT n, UINT h, UINT p, UINT d) {
    return {id, {n, h, p, d}};
}

// Which picture and which buttons each window gives itself when it starts.
const std::vector<DialogArt>& Table() {
    static const std::vector<DialogArt> table = {
        {129,
         Back::Bitmap,
         130,
         false,
         {Set(1005, kMin), Set(1004, kClose), Four(1, 146, 147, 145, 146),
          Four(1014, 187, 188, 183, 187), Four(1011, 177, 263, 264, 177)}},
        {102,
         Back::MainStrip,
         0,
         false,
         {One(1005, 166), Four(1006, 160, 159, 158, 160), Four(1007, 151, 165, 164, 151),
          Four(1008, 154, 153, 152, 154), One(1009, 181), Four(1010, 163, 162, 161, 163),
          Four(1011, 157, 156, 155, 157)}},
        {190, Back::Bitmap, 186, true, {One(1019, 184), One(1020, 185), Set(1021, kClose)}},
        {195,
         Back::Bitmap,
         202,
         true,
         {Four(1028, 197, 204, 197, 197), Four(1029, 200, 199, 199, 200), One(1025, 207),
          One(1026, 206), One(1027, 205), Four(1030, 209, 215, 215, 209),
          Four(1031, 211, 214, 214, 211), Four(1032, 208, 216, 216, 208),
          Four(1033, 210, 213, 213, 210)}},
        {220,
         Back::Bitmap,
         250,
         true,
         {Four(1050, 197, 204, 197, 197), Four(1051, 200, 199, 199, 200), One(1052, 206),
          One(1054, 261), One(1056, 262), One(1053, 252), One(1055, 253)}},
        {228, Back::Frame, 0, true, {Set(1039, kMin), Set(1040, kToggle), Set(1041, kClose)}},
        {238,
         Back::Bitmap,
         239,
         true,
         {Set(1040, kMin), Set(1041, kClose), One(1043, 278), One(1045, 240), One(1058, 256)}},
        {243, Back::Bitmap, 245, false, {One(1063, 248), One(1065, 246), One(1064, 247)}},
        {255, Back::Bitmap, 257, false, {One(1059, 248), One(1061, 246), One(1060, 247)}},
        {258, Back::Bitmap, 259, true, {One(1071, 260), Set(1070, kClose)}},
        {266, Back::Bitmap, 267, false, {One(1076, 260), Set(1075, kClose)}},
        {268, Back::Frame, 0, false, {Set(1079, kMin), Set(1080, kToggle), Set(1081, kClose)}},
        {276, Back::Bitmap, 271, false, {One(1086, 248), One(1088, 246), One(1087, 247)}},
        {279, Back::Bitmap, 281, false, {One(1093, 280), Set(1094, kClose), Set(1095, kMin)}},
        {282, Back::Frame, 0, true, {Set(1096, kMin), Set(1097, kToggle), Set(1098, kClose)}},
    };
    return table;
}

std::shared_ptr<const fw::Bitmap> Art(UINT id) {
    return fw::Resources::Global().LoadBitmap(id);
}

// The six frame pieces laid out as the news viewer paints them.
void PaintFrame(fw::Canvas& dc) {
    const int w = dc.Width();
    const int h = dc.Height();
    dc.FillSolidRect(dc.ClientRect(), fw::RGB(255, 255, 255));
    auto tl = Art(231), tm = Art(232), tr = Art(233), bl = Art(229), bm = Art(234), br = Art(230);
    if (!tl || !tm || !tr || !bl || !bm || !br) {
        return;
    }
    dc.DrawBitmap(0, 0, *tl);
    dc.StretchBlt(fw::Rect{tl->Width(), 0, w - tr->Width(), tl->Height()}, *tm,
                  fw::Rect{0, 0, tm->Width(), tm->Height()});
    dc.DrawBitmap(w - tr->Width(), 0, *tr);
    dc.DrawBitmap(0, h - bl->Height(), *bl);
    dc.StretchBlt(fw::Rect{bl->Width(), h - bm->Height(), w - br->Width(), h}, *bm,
                  fw::Rect{0, 0, bm->Width(), bm->Height()});
    dc.DrawBitmap(w - br->Width(), h - br->Height(), *br);
}

// The main window's top strip: 175 at the left, 170 stretched, 168 at the right.
void PaintStrip(fw::Canvas& dc) {
    dc.FillSolidRect(dc.ClientRect(), fw::RGB(255, 255, 255));
    auto left = Art(175), mid = Art(170), right = Art(168);
    if (!left || !mid || !right) {
        return;
    }
    dc.DrawBitmap(0, 0, *left);
    dc.StretchBlt(fw::Rect{left->Width(), 0, dc.Width() - right->Width(), mid->Height()}, *mid,
                  fw::Rect{0, 0, mid->Width(), mid->Height()});
    dc.DrawBitmap(dc.Width() - right->Width(), 0, *right);
}

class GalleryDialog : public fw::Dialog {
public:
    explicit GalleryDialog(const DialogArt& art) : fw::Dialog(art.dialog), art_(art) {}

    bool OnInitDialog() override {
        for (const ButtonArt& b : art_.buttons) {
            if (GetDlgItem(b.id) == nullptr) {
                continue;
            }
            auto btn = std::make_unique<CMyDrawBtn>();
            if (btn->SubclassDlgItem(b.id, this)) {
                buttons_.emplace(b.id, std::move(btn));
            }
        }
        return true;
    }
    bool OnEraseBkgnd(fw::Canvas& dc) override {
        switch (art_.back) {
            case Back::Bitmap:
                if (auto bg = Art(art_.background)) {
                    dc.DrawBitmap(0, 0, *bg);
                }
                break;
            case Back::Frame:
                PaintFrame(dc);
                break;
            case Back::MainStrip:
                PaintStrip(dc);
                break;
            case Back::None:
                return fw::Dialog::OnEraseBkgnd(dc);
        }
        if (art_.cutCorners) {
            CutCornerRegion(this, &dc);
        }
        return true;
    }
    // Shows every button in `state` by giving it that state's bitmap for all four.
    void ShowState(int state) {
        for (const ButtonArt& b : art_.buttons) {
            auto it = buttons_.find(b.id);
            if (it != buttons_.end()) {
                const UINT id = b.bitmaps[state];
                it->second->SetBitmaps(id, id, id, id);
            }
        }
    }
    CMyDrawBtn* Button(UINT id) {
        auto it = buttons_.find(id);
        return it == buttons_.end() ? nullptr : it->second.get();
    }

private:
    const DialogArt& art_;
    std::map<UINT, std::unique_ptr<CMyDrawBtn>> buttons_;
};

// Pixels outside the window's shape shown white, as the desktop would show what is behind.
fw::Bitmap Shaped(const fw::Bitmap& shot, const fw::Window& wnd) {
    fw::Bitmap out = shot;
    if (wnd.HasWindowRgn()) {
        const fw::Region region = wnd.GetWindowRgn();
        for (int y = 0; y < out.Height(); ++y) {
            for (int x = 0; x < out.Width(); ++x) {
                if (!region.Contains({x, y}))
                    out.SetPixel(x, y, fw::RGB(255, 255, 255));
            }
        }
    }
    return out;
}

std::string BackendName() {
#ifdef VQ_GALLERY_QT
    return "qt";
#else
    return "headless";
#endif
}

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::unique_ptr<fw::Backend> backend;
#ifdef VQ_GALLERY_QT
        // The pictures come from the framework's own composition, so no screen is needed.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        }
        backend = fw::qt::CreateBackend();
#else
        backend = fw::headless::CreateBackend();
#endif
        ASSERT_TRUE(backend);
        ASSERT_TRUE(
            fw::InitWithBackend(std::move(backend), (skintest::SourceDir() / "res").string()));
    }
    static void TearDownTestSuite() {
        fw::Shutdown();
    }
};

TEST_F(Gallery, RendersEveryDialogTemplateInEachButtonState) {
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const std::filesystem::path out =
        std::filesystem::path(bin != nullptr ? bin : ".") / "gallery" / BackendName();
    std::filesystem::create_directories(out);
    const std::vector<UINT> ids = fw::Resources::Global().DialogIds();
    ASSERT_FALSE(ids.empty());
    static const char* kStates[] = {"normal", "hover", "pressed", "disabled"};
    int saved = 0;
    for (UINT id : ids) {
        static const DialogArt kPlain{0, Back::None, 0, false, {}};
        const DialogArt* art = &kPlain;
        for (const DialogArt& a : Table()) {
            if (a.dialog == id)
                art = &a;
        }
        GalleryDialog dlg(*art);
        ASSERT_TRUE(dlg.Create(id, nullptr)) << "dialog " << id;
        dlg.ShowWindow(fw::SW_SHOW);
        for (int state = 0; state < 4; ++state) {
            dlg.ShowState(state);
            const fw::Bitmap shot = fw::RenderWindow(dlg.GetSafeHwnd());
            ASSERT_FALSE(shot.IsNull()) << "dialog " << id;
            if (art->back == Back::Bitmap && state == 0) {
                // A pixel no control covers shows the background picture.
                auto bg = Art(art->background);
                ASSERT_TRUE(bg) << art->background;
                const int x = std::min(bg->Width(), shot.Width()) - 8;
                EXPECT_EQ(shot.GetPixel(x, 3), bg->GetPixel(x, 3)) << "dialog " << id;
            }
            for (const ButtonArt& b : art->buttons) {
                CMyDrawBtn* btn = dlg.Button(b.id);
                if (btn == nullptr || !btn->IsWindowVisible()) {
                    continue;
                }
                auto pic = Art(b.bitmaps[state]);
                ASSERT_TRUE(pic) << "bitmap " << b.bitmaps[state];
                const fw::Rect r = btn->GetRectInParent();
                const int cx = std::min(r.Width(), pic->Width()) / 2;
                const int cy = std::min(r.Height(), pic->Height()) / 2;
                const fw::Color want = pic->GetPixel(cx, cy);
                if (want != kCornerKey) {
                    EXPECT_EQ(shot.GetPixel(r.left + cx, r.top + cy), want)
                        << "dialog " << id << " button " << b.id << " " << kStates[state];
                }
            }
            const std::string name = "dialog" + std::to_string(id) + "-" + kStates[state] + ".png";
            EXPECT_TRUE(Shaped(shot, dlg).SavePng((out / name).string()));
            ++saved;
        }
        dlg.DestroyWindow();
    }
    EXPECT_EQ(saved, static_cast<int>(ids.size()) * 4);
}

}  // namespace
