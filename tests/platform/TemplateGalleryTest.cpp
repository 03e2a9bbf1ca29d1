// Every dialog template of the program built as a window on the headless backend, over the
// background picture its class draws: visible controls must lie inside their dialog, and a
// picture of each (controls outlined) is saved to the build tree for review.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/headless/Headless.h"

namespace {

// The background bitmap each dialog's class paints on erase.
const std::map<fw::UINT, fw::UINT> kBackgrounds = {
    {129, 130}, {190, 186}, {195, 202}, {220, 250}, {238, 239}, {243, 245},
    {255, 257}, {258, 259}, {266, 267}, {276, 271}, {279, 281},
};

class GalleryDialog : public fw::Dialog {
public:
    GalleryDialog(fw::UINT id, fw::UINT background) : fw::Dialog(id), background_(background) {}
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        canvas.FillSolidRect(canvas.ClientRect(), fw::RGB(240, 240, 240));
        if (auto bmp = fw::Resources::Global().LoadBitmap(background_)) {
            canvas.DrawBitmap(0, 0, *bmp);
        }
        return true;
    }
    void OnPaint(fw::Canvas& canvas) override {
        // Outline every visible control, so that its place can be checked on the picture.
        for (fw::HWND h : GetChildren()) {
            fw::WindowInfo info;
            if (fw::GetWindowInfo(h, info) && info.visible) {
                canvas.FrameRect(info.rect, fw::RGB(255, 0, 0));
            }
        }
    }

private:
    fw::UINT background_;
};

TEST(TemplateGalleryTest, ControlsLieInsideTheirDialogs) {
    const char* src = std::getenv("VQ_SOURCE_DIR");
    const std::string root = src != nullptr ? src : VQ_TEST_SOURCE_DIR;
    ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), root + "/res"));
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const std::filesystem::path out =
        std::filesystem::path(bin != nullptr ? bin : ".") / "gallery" / "templates";
    std::filesystem::create_directories(out);
    const std::vector<fw::UINT> ids = fw::Resources::Global().DialogIds();
    EXPECT_GE(ids.size(), 21u);
    for (fw::UINT id : ids) {
        auto bg = kBackgrounds.find(id);
        GalleryDialog dlg(id, bg == kBackgrounds.end() ? 0 : bg->second);
        ASSERT_TRUE(dlg.Create()) << id;
        const fw::Rect client = dlg.GetClientRect();
        for (fw::HWND h : dlg.GetChildren()) {
            fw::WindowInfo info;
            ASSERT_TRUE(fw::GetWindowInfo(h, info));
            if (!info.visible) {
                continue;
            }
            EXPECT_EQ(info.rect.Intersect(client), info.rect)
                << "dialog " << id << " control " << info.id;
        }
        if (bg != kBackgrounds.end()) {
            // The picture and the dialog have the same size.
            auto bmp = fw::Resources::Global().LoadBitmap(bg->second);
            if (bmp) {
                EXPECT_EQ(bmp->GetSize(), (fw::Size{client.Width(), client.Height()})) << id;
            }
        }
        fw::RenderWindow(dlg.GetSafeHwnd())
            .SavePng((out / ("dialog-" + std::to_string(id) + ".png")).string());
        dlg.DestroyWindow();
    }
    fw::Shutdown();
}

}  // namespace
