#pragma once
// Drawing. A Canvas draws into a Bitmap with a clip rectangle; every operation is a plain
// software raster, so what a window shows can be read back pixel by pixel. Text is handed
// to the backend's text renderer (the Qt backend rasterises it; the headless backend does
// not) and is always recorded, so tests can check what was written where.
//
// Coordinates are logical. A canvas has the scale of its picture (see Bitmap): every
// primitive covers exactly the device pixels of its logical pixels, pictures are drawn from
// their sharper variant when they have one for the scale and are otherwise enlarged by
// repeating pixels, and the text renderer rasterises at the device size.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Types.h"

namespace fw {

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// A font description; texts (face names included) are GBK like every text of the system.
struct Font {
    std::string face = "MS Shell Dlg";
    int pixelHeight = 12;  // character height in pixels
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;

    // Point sizes are taken at 96 dots per inch.
    static Font FromPoints(std::string face, int points, int weight = FW_NORMAL,
                           bool underline = false);
    static Font FromHeight(std::string face, int pixelHeight, int weight = FW_NORMAL,
                           bool underline = false);
    // The desktop's default GUI font.
    static Font DefaultGui(bool underline = false);
    friend bool operator==(const Font&, const Font&) = default;
};

// One piece of text drawn on a canvas, in the coordinates of the outermost canvas.
struct TextRecord {
    std::string text;  // GBK
    Rect rect;
    Font font;
    Color color = RGB(0, 0, 0);
    UINT format = 0;  // DT_* flags
    int bkMode = OPAQUE;
    Color bkColor = RGB(255, 255, 255);
    // Set when the text was drawn from UTF-16: the text exactly as given, characters that
    // GBK lacks included (`text` then holds its GBK form). Renderers draw this when set.
    std::u16string wide;
};

// Rasterises one text record into `target` inside `clip` (target coordinates, logical; the
// renderer draws at the target's scale).
using TextRenderer = std::function<void(Bitmap& target, const Rect& clip, const TextRecord&)>;

class Canvas {
public:
    // A memory canvas with its own picture of the given size, filled with `fill`.
    Canvas(int width, int height, Color fill = RGB(255, 255, 255), int scale = 1);
    // A canvas drawing into `target` at its scale; `target` must outlive it.
    explicit Canvas(Bitmap& target);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // A memory canvas at this canvas's scale, for composing off screen what is then copied
    // here: one at scale 1 would lose the sharpness of text and pictures on the way.
    Canvas Compatible(int width, int height, Color fill = RGB(255, 255, 255)) const {
        return Canvas(width, height, fill, Scale());
    }

    int Scale() const { return target_->Scale(); }
    int Width() const { return target_->Width(); }
    int Height() const { return target_->Height(); }
    Rect ClientRect() const { return {0, 0, Width(), Height()}; }
    Bitmap& GetBitmap() { return *target_; }
    const Bitmap& GetBitmap() const { return *target_; }

    // Clip to `r` (canvas coordinates, intersected with the canvas); empty resets it.
    void SetClip(const Rect& r);
    Rect Clip() const { return clip_; }

    Color GetPixel(int x, int y) const { return target_->GetPixel(x, y); }
    void SetPixel(int x, int y, Color c);

    void FillSolidRect(const Rect& r, Color c);
    void FrameRect(const Rect& r, Color c);
    void Draw3dRect(const Rect& r, Color topLeft, Color bottomRight);
    // Outline in `pen`, inside in `fill`.
    void Rectangle(const Rect& r, Color pen, Color fill);
    // The ellipse inscribed in `r`.
    void Ellipse(const Rect& r, Color pen, Color fill);
    void Line(Point from, Point to, Color c);
    // A push-button frame, sunken while pushed.
    void DrawButtonFrame(const Rect& r, bool pushed);

    // Copies: (x, y, w, h) on this canvas from (sx, sy) of `src`, all logical.
    void BitBlt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy);
    void BitBlt(int x, int y, int w, int h, const Canvas& src, int sx, int sy) {
        BitBlt(x, y, w, h, src.GetBitmap(), sx, sy);
    }
    void DrawBitmap(int x, int y, const Bitmap& src) {
        BitBlt(x, y, src.Width(), src.Height(), src, 0, 0);
    }
    // Nearest-neighbour stretch of `srcRect` of `src` onto `dest`.
    void StretchBlt(const Rect& dest, const Bitmap& src, const Rect& srcRect);
    // As StretchBlt, leaving out every source pixel of colour `key`.
    void TransparentBlt(const Rect& dest, const Bitmap& src, const Rect& srcRect, Color key);
    // The picture of an icon resource at its own size; a missing icon draws nothing.
    void DrawIcon(int x, int y, HICON icon);

    // Text state and drawing; text is GBK.
    void SelectFont(const Font& f) { font_ = f; }
    const Font& GetFont() const { return font_; }
    Color SetTextColor(Color c);
    Color GetTextColor() const { return textColor_; }
    int SetBkMode(int mode);
    void SetBkColor(Color c) { bkColor_ = c; }
    void DrawText(const std::string& text, const Rect& r, UINT format);
    // The same for a UTF-16 text, which may hold characters outside GBK.
    void DrawText(const std::u16string& text, const Rect& r, UINT format);
    void TextOut(int x, int y, const std::string& text);
    // Everything written on this canvas and on the canvases of its children.
    const std::vector<TextRecord>& Texts() const { return *texts_; }

    // Framework use: a canvas for a child area that shares this canvas's text log, with
    // text rectangles shifted by (dx, dy) into this canvas's coordinates.
    Canvas(Bitmap& target, const Canvas& parent, int dx, int dy);

private:
    void Blend(int x, int y, Color c);
    // Device pixel rectangle of a logical one.
    Rect ToDevice(const Rect& r) const;
    void EmitText(TextRecord rec);
    std::unique_ptr<Bitmap> owned_;
    Bitmap* target_;
    Rect clip_;
    Font font_;
    Color textColor_ = RGB(0, 0, 0);
    Color bkColor_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    std::shared_ptr<std::vector<TextRecord>> texts_;
    int logDx_ = 0;
    int logDy_ = 0;
};

// The backend sets this once; without one, text is only recorded.
void SetTextRenderer(TextRenderer renderer);

}  // namespace fw
