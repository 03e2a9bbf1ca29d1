#pragma once
// The skin catalogue: bitmaps, colours and layout numbers read from
// Skin/<skin name>/skin.ini beside the program, and the four image lists built from them
// (the third, the emoticon pictures, from the program's bitmap resource 196).
//
// Value rules: each value is read with a 260-character buffer and cut at its first ";"
// (the rest is a comment); blanks left before the ";" are dropped, so "a.bmp ; note"
// names a.bmp. Bitmaps: a file name in the skin folder, read at its own size, or none.
// Colours: "r,g,b", packed r | g << 8 | b << 16 from the low 8 bits of each, 0 when a
// part is empty. Numbers: leading decimal digits, 0 when there are none. Nothing that is
// missing fails the load; the entry takes its empty value.

#include <memory>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Types.h"
#include "skin/ImageList.h"

class CSkin {
public:
    // A loaded bitmap; null when the entry has none.
    using BitmapHandle = std::shared_ptr<const fw::Bitmap>;

    // A bitmap object that can take over a loaded handle.
    class BitmapObject {
    public:
        void Attach(BitmapHandle h) { m_handle = std::move(h); }
        BitmapHandle Detach() { return std::move(m_handle); }
        void DeleteObject() { m_handle.reset(); }
        const fw::Bitmap* Get() const { return m_handle.get(); }
        bool IsNull() const { return m_handle == nullptr; }

    private:
        BitmapHandle m_handle;
    };

    static constexpr int kValueChars = 260;
    static constexpr fw::UINT kEmoticonBitmapId = 196;
    static constexpr fw::Color kIconMask = fw::RGB(255, 0, 0);
    static constexpr fw::Color kEmoticonMask = fw::RGB(0, 128, 128);

    CSkin() = default;
    CSkin(const CSkin&) = delete;
    CSkin& operator=(const CSkin&) = delete;

    // Operations in the order of the design's virtual slots.
    virtual ~CSkin();
    virtual void CreateImageLists();
    virtual int GetSkinInt(const std::string& folder, const std::string& section,
                           const std::string& key);
    virtual fw::Color ParseColor(const std::string& text);
    virtual void AttachBitmaps();
    virtual void Release();

    // Loads the skin `skinName` (GBK) from the Skin folder beside the program; a second
    // load releases the first. Always succeeds: missing pieces stay empty.
    void LoadSkin(const std::string& skinName);
    // The same from the Skin folder under `programDir` (UTF-8, with or without a final "/").
    void LoadSkin(const std::string& programDir, const std::string& skinName);

    BitmapHandle GetSkinBitmap(const std::string& folder, const std::string& section,
                               const std::string& key);
    fw::Color GetSkinColor(const std::string& folder, const std::string& section,
                           const std::string& key);

    // The skin's folder (UTF-8, ending in "/"), and the section name (the skin's name, GBK).
    std::string m_strSkinFolder;
    std::string m_strSkinName;
    // Bitmaps, in reading order.
    BitmapHandle m_hMainIcon;
    BitmapHandle m_hMainBkImg;
    BitmapHandle m_hMainStatus;
    BitmapHandle m_hSmallStatus;
    BitmapHandle m_hTabBkPhoto;
    BitmapHandle m_hCorner;
    BitmapHandle m_hShortCutMenuIcon;
    BitmapHandle m_hDragMenuPhoto;
    BitmapHandle m_hNotifyUserAnimate;
    BitmapHandle m_hMsgWndIcon;
    BitmapHandle m_hTab2Bmp;
    BitmapHandle m_hTrayMenuIcon;
    BitmapHandle m_hChatSmallPhoto;
    BitmapHandle m_hULBmp;
    BitmapHandle m_hULMaskBmp;
    // Colours, in reading order.
    fw::Color m_clrMainBk = 0;
    fw::Color m_clrMainBorder = 0;
    fw::Color m_clrTreeGroupColor = 0;
    fw::Color m_clrMaxMinBarColor = 0;
    fw::Color m_clrShortCutBkColor = 0;
    fw::Color m_clrDragWndFirstLine1 = 0;
    fw::Color m_clrDragWndFirstLine2 = 0;
    fw::Color m_clrDragWndFirstLine3 = 0;
    fw::Color m_clrDragWndSecLine1 = 0;
    fw::Color m_clrDragWndSecLine2 = 0;
    fw::Color m_clrDragWndSecLine3 = 0;
    fw::Color m_clrDragWndThrLine1 = 0;
    fw::Color m_clrDragWndThrLine2 = 0;
    fw::Color m_clrDragWndThrLine3 = 0;
    fw::Color m_clrDragWndFourLine1 = 0;
    fw::Color m_clrDragWndFourLine2 = 0;
    fw::Color m_clrDragWndFourLine3 = 0;
    fw::Color m_clrMsgWndEdgeClr = 0;
    fw::Color m_clrMsgWndPropTextIMClr = 0;
    fw::Color m_clrMsgWndPropTextSMSClr = 0;
    fw::Color m_clrMsgWndToolBarBGClr = 0;
    fw::Color m_clrMsgWndSpaceTopLeftClr = 0;
    fw::Color m_clrMsgWndSpaceBottomRightClr = 0;
    fw::Color m_clrMsgWndVertBarClr = 0;
    fw::Color m_clrTreeBkColor = 0;
    fw::Color m_clrMsgIWantColor = 0;
    fw::Color m_clrTreeUserNameColor = 0;
    fw::Color m_clrEmailColor = 0;
    fw::Color m_clrChatGrpColor = 0;
    fw::Color m_clrChatRoomColor = 0;
    fw::Color m_clrChatFocusColor = 0;
    fw::Color m_clrMsgWndToolTextClr = 0;
    fw::Color m_clrMsgWndVertBannerTextClr = 0;
    fw::Color m_clrMsgWndVertBannerFlyByClr = 0;
    fw::Color m_clrMsgWndVertToolTextClr = 0;
    fw::Color m_clrMsgWndVertToolFlyByClr = 0;
    fw::Color m_clrChatWndVertListTextClr = 0;
    fw::Color m_clrChatIWantBarColor = 0;
    fw::Color m_clrChatShortCutBk = 0;
    fw::Color m_clrULImTextClr = 0;
    fw::Color m_clrULImPropTextClr = 0;
    fw::Color m_clrULImPropBGClr = 0;
    fw::Color m_clrULImListTextClr = 0;
    fw::Color m_clrULImListBGClr = 0;
    fw::Color m_clrULSmsTextClr = 0;
    fw::Color m_clrULSmsPropTextClr = 0;
    fw::Color m_clrULSmsPropBGClr = 0;
    fw::Color m_clrULSmsListTextClr = 0;
    fw::Color m_clrULSmsListBGClr = 0;
    fw::Color m_clrULChatTextClr = 0;
    fw::Color m_clrULChatPropTextClr = 0;
    fw::Color m_clrULChatPropBGClr = 0;
    fw::Color m_clrULChatListTextClr = 0;
    fw::Color m_clrULChatListBGClr = 0;
    fw::Color m_clrULImLineClr = 0;
    fw::Color m_clrULSmsLineClr = 0;
    fw::Color m_clrULChatLineClr = 0;
    fw::Color m_clrShortCutIWantTxtClr = 0;
    fw::Color m_clrShortCutIWantFocusClr = 0;
    fw::Color m_clrShortCutNormalTextClr = 0;
    fw::Color m_clrShortCutFocusTextClr = 0;
    // Numbers.
    int m_nTabIconTop = 0;
    int m_nTabIconLeft = 0;
    int m_nIMTabSpace = 0;
    int m_nIMTabTopEdge = 0;
    // The bitmap objects that take over ten of the loaded bitmaps, in order.
    BitmapObject m_bmpMainIcon;
    BitmapObject m_bmpNotifyUserAnimate;
    BitmapObject m_bmpTabBkPhoto;
    BitmapObject m_bmpTab2Bmp;
    BitmapObject m_bmpMainStatus;
    BitmapObject m_bmpMsgWndIcon;
    BitmapObject m_bmpCorner;
    BitmapObject m_bmpTrayMenuIcon;
    BitmapObject m_bmpShortCutMenuIcon;
    BitmapObject m_bmpSmallStatus;
    // 16 x 16 icons from MainIcon.
    CImageList m_imgMain;
    // Images 1 and 2 of m_imgMain, then the SmallStatus strip.
    CImageList m_imgState;
    // The 50 emoticons, 20 x 20, image i for emoticon code i.
    CImageList m_imgEmotion;
    // 16 x 16 icons from MsgWndIcon.
    CImageList m_imgMsgWnd;

    // The catalogue, as tables of (INI key, field) in reading order.
    struct BitmapEntry {
        const char* key;
        BitmapHandle CSkin::*field;
    };
    struct ColorEntry {
        const char* key;
        fw::Color CSkin::*field;
    };
    struct NumberEntry {
        const char* key;
        int CSkin::*field;
    };
    static const BitmapEntry kBitmapEntries[15];
    static const ColorEntry kColorEntries[61];
    static const NumberEntry kNumberEntries[4];

private:
    // The value of `key` as read and cut at ";".
    std::string ReadValue(const std::string& folder, const std::string& section,
                          const std::string& key) const;
};
