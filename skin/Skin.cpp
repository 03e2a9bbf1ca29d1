#include "skin/Skin.h"

#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/core/Profile.h"
#include "platform/core/Text.h"

const CSkin::BitmapEntry CSkin::kBitmapEntries[15] = {
    {"MainIcon", &CSkin::m_hMainIcon},
    {"MainBkImg", &CSkin::m_hMainBkImg},
    {"MainStatus", &CSkin::m_hMainStatus},
    {"SmallStatus", &CSkin::m_hSmallStatus},
    {"TabBkPhoto", &CSkin::m_hTabBkPhoto},
    {"Corner", &CSkin::m_hCorner},
    {"ShortCutMenuIcon", &CSkin::m_hShortCutMenuIcon},
    {"DragMenuPhoto", &CSkin::m_hDragMenuPhoto},
    {"NotifyUserAnimate", &CSkin::m_hNotifyUserAnimate},
    {"MsgWndIcon", &CSkin::m_hMsgWndIcon},
    {"Tab2Bmp", &CSkin::m_hTab2Bmp},
    {"TrayMenuIcon", &CSkin::m_hTrayMenuIcon},
    {"ChatSmallPhoto", &CSkin::m_hChatSmallPhoto},
    {"ULBmp", &CSkin::m_hULBmp},
    {"ULMaskBmp", &CSkin::m_hULMaskBmp},
};

const CSkin::ColorEntry CSkin::kColorEntries[61] = {
    {"MainBk", &CSkin::m_clrMainBk},
    {"MainBorder", &CSkin::m_clrMainBorder},
    {"TreeGroupColor", &CSkin::m_clrTreeGroupColor},
    {"MaxMinBarColor", &CSkin::m_clrMaxMinBarColor},
    {"ShortCutBkColor", &CSkin::m_clrShortCutBkColor},
    {"DragWndFirstLine1", &CSkin::m_clrDragWndFirstLine1},
    {"DragWndFirstLine2", &CSkin::m_clrDragWndFirstLine2},
    {"DragWndFirstLine3", &CSkin::m_clrDragWndFirstLine3},
    {"DragWndSecLine1", &CSkin::m_clrDragWndSecLine1},
    {"DragWndSecLine2", &CSkin::m_clrDragWndSecLine2},
    {"DragWndSecLine3", &CSkin::m_clrDragWndSecLine3},
    {"DragWndThrLine1", &CSkin::m_clrDragWndThrLine1},
    {"DragWndThrLine2", &CSkin::m_clrDragWndThrLine2},
    {"DragWndThrLine3", &CSkin::m_clrDragWndThrLine3},
    {"DragWndFourLine1", &CSkin::m_clrDragWndFourLine1},
    {"DragWndFourLine2", &CSkin::m_clrDragWndFourLine2},
    {"DragWndFourLine3", &CSkin::m_clrDragWndFourLine3},
    {"MsgWndEdgeClr", &CSkin::m_clrMsgWndEdgeClr},
    {"MsgWndPropTextIMClr", &CSkin::m_clrMsgWndPropTextIMClr},
    {"MsgWndPropTextSMSClr", &CSkin::m_clrMsgWndPropTextSMSClr},
    {"MsgWndToolBarBGClr", &CSkin::m_clrMsgWndToolBarBGClr},
    {"MsgWndSpaceTopLeftClr", &CSkin::m_clrMsgWndSpaceTopLeftClr},
    {"MsgWndSpaceBottomRightClr", &CSkin::m_clrMsgWndSpaceBottomRightClr},
    {"MsgWndVertBarClr", &CSkin::m_clrMsgWndVertBarClr},
    {"TreeBkColor", &CSkin::m_clrTreeBkColor},
    {"MsgIWantColor", &CSkin::m_clrMsgIWantColor},
    {"TreeUserNameColor", &CSkin::m_clrTreeUserNameColor},
    {"EmailColor", &CSkin::m_clrEmailColor},
    {"ChatGrpColor", &CSkin::m_clrChatGrpColor},
    {"ChatRoomColor", &CSkin::m_clrChatRoomColor},
    {"ChatFocusColor", &CSkin::m_clrChatFocusColor},
    {"MsgWndToolTextClr", &CSkin::m_clrMsgWndToolTextClr},
    {"MsgWndVertBannerTextClr", &CSkin::m_clrMsgWndVertBannerTextClr},
    {"MsgWndVertBannerFlyByClr", &CSkin::m_clrMsgWndVertBannerFlyByClr},
    {"MsgWndVertToolTextClr", &CSkin::m_clrMsgWndVertToolTextClr},
    {"MsgWndVertToolFlyByClr", &CSkin::m_clrMsgWndVertToolFlyByClr},
    {"ChatWndVertListTextClr", &CSkin::m_clrChatWndVertListTextClr},
    {"ChatIWantBarColor", &CSkin::m_clrChatIWantBarColor},
    {"ChatShortCutBk", &CSkin::m_clrChatShortCutBk},
    {"ULImTextClr", &CSkin::m_clrULImTextClr},
    {"ULImPropTextClr", &CSkin::m_clrULImPropTextClr},
    {"ULImPropBGClr", &CSkin::m_clrULImPropBGClr},
    {"ULImListTextClr", &CSkin::m_clrULImListTextClr},
    {"ULImListBGClr", &CSkin::m_clrULImListBGClr},
    {"ULSmsTextClr", &CSkin::m_clrULSmsTextClr},
    {"ULSmsPropTextClr", &CSkin::m_clrULSmsPropTextClr},
    {"ULSmsPropBGClr", &CSkin::m_clrULSmsPropBGClr},
    {"ULSmsListTextClr", &CSkin::m_clrULSmsListTextClr},
    {"ULSmsListBGClr", &CSkin::m_clrULSmsListBGClr},
    {"ULChatTextClr", &CSkin::m_clrULChatTextClr},
    {"ULChatPropTextClr", &CSkin::m_clrULChatPropTextClr},
    {"ULChatPropBGClr", &CSkin::m_clrULChatPropBGClr},
    {"ULChatListTextClr", &CSkin::m_clrULChatListTextClr},
    {"ULChatListBGClr", &CSkin::m_clrULChatListBGClr},
    {"ULImLineClr", &CSkin::m_clrULImLineClr},
    {"ULSmsLineClr", &CSkin::m_clrULSmsLineClr},
    {"ULChatLineClr", &CSkin::m_clrULChatLineClr},
    {"ShortCutIWantTxtClr", &CSkin::m_clrShortCutIWantTxtClr},
    {"ShortCutIWantFocusClr", &CSkin::m_clrShortCutIWantFocusClr},
    {"ShortCutNormalTextClr", &CSkin::m_clrShortCutNormalTextClr},
    {"ShortCutFocusTextClr", &CSkin::m_clrShortCutFocusTextClr},
};

const CSkin::NumberEntry CSkin::kNumberEntries[4] = {
    {"TabIconTop", &CSkin::m_nTabIconTop},
    {"TabIconLeft", &CSkin::m_nTabIconLeft},
    {"IMTabSpace", &CSkin::m_nIMTabSpace},
    {"IMTabTopEdge", &CSkin::m_nIMTabTopEdge},
};

CSkin::~CSkin() {
    Release();
}

void CSkin::LoadSkin(const std::string& skinName) {
    LoadSkin(fw::GetModuleDir(), skinName);
}

void CSkin::LoadSkin(const std::string& programDir, const std::string& skinName) {
    std::string dir = programDir;
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    Release();
    m_strSkinName = skinName;
    m_strSkinFolder = dir + "Skin/" + vq::GbkToUtf8(skinName) + "/";
    for (const BitmapEntry& e : kBitmapEntries) {
        this->*e.field = GetSkinBitmap(m_strSkinFolder, m_strSkinName, e.key);
    }
    for (const ColorEntry& e : kColorEntries) {
        this->*e.field = GetSkinColor(m_strSkinFolder, m_strSkinName, e.key);
    }
    for (const NumberEntry& e : kNumberEntries) {
        this->*e.field = GetSkinInt(m_strSkinFolder, m_strSkinName, e.key);
    }
    AttachBitmaps();
    CreateImageLists();
}

std::string CSkin::ReadValue(const std::string& folder, const std::string& section,
                             const std::string& key) const {
    std::string value =
        vq::GetPrivateProfileString(section, key, "", kValueChars, folder + "skin.ini");
    const std::size_t comment = value.find(';');
    if (comment != std::string::npos) {
        value.resize(comment);
    }
    // The profile reader trims the value's ends, but not the blanks before a comment; a
    // file name keeps no trailing blanks (the desktop this comes from ignored them too).
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.pop_back();
    }
    return value;
}

CSkin::BitmapHandle CSkin::GetSkinBitmap(const std::string& folder, const std::string& section,
                                         const std::string& key) {
    const std::string name = ReadValue(folder, section, key);
    if (name.empty()) {
        return nullptr;
    }
    auto bmp = fw::Bitmap::FromBmpFileWithDoubleSize(folder + vq::GbkToUtf8(name));
    if (!bmp) {
        return nullptr;
    }
    return std::make_shared<const fw::Bitmap>(std::move(*bmp));
}

fw::Color CSkin::GetSkinColor(const std::string& folder, const std::string& section,
                              const std::string& key) {
    return ParseColor(ReadValue(folder, section, key));
}

int CSkin::GetSkinInt(const std::string& folder, const std::string& section,
                      const std::string& key) {
    return vq::ParseIntLikeAtoi(ReadValue(folder, section, key));
}

fw::Color CSkin::ParseColor(const std::string& text) {
    const std::size_t first = text.find(',');
    if (first == std::string::npos) {
        return 0;
    }
    const std::size_t second = text.find(',', first + 1);
    if (second == std::string::npos) {
        return 0;
    }
    const std::string r = text.substr(0, first);
    const std::string g = text.substr(first + 1, second - first - 1);
    const std::string b = text.substr(second + 1);
    if (r.empty() || g.empty() || b.empty()) {
        return 0;
    }
    const auto low = [](const std::string& part) {
        return static_cast<fw::Color>(static_cast<unsigned>(vq::ParseIntLikeAtoi(part)) & 0xFFu);
    };
    return low(r) | (low(g) << 8) | (low(b) << 16);
}

void CSkin::AttachBitmaps() {
    if (m_hMainIcon) {
        m_bmpMainIcon.Attach(m_hMainIcon);
    }
    if (m_hNotifyUserAnimate) {
        m_bmpNotifyUserAnimate.Attach(m_hNotifyUserAnimate);
    }
    if (m_hTabBkPhoto) {
        m_bmpTabBkPhoto.Attach(m_hTabBkPhoto);
    }
    if (m_hTab2Bmp) {
        m_bmpTab2Bmp.Attach(m_hTab2Bmp);
    }
    if (m_hMainStatus) {
        m_bmpMainStatus.Attach(m_hMainStatus);
    }
    if (m_hMsgWndIcon) {
        m_bmpMsgWndIcon.Attach(m_hMsgWndIcon);
    }
    if (m_hCorner) {
        m_bmpCorner.Attach(m_hCorner);
    }
    if (m_hTrayMenuIcon) {
        m_bmpTrayMenuIcon.Attach(m_hTrayMenuIcon);
    }
    if (m_hShortCutMenuIcon) {
        m_bmpShortCutMenuIcon.Attach(m_hShortCutMenuIcon);
    }
    if (m_hSmallStatus) {
        m_bmpSmallStatus.Attach(m_hSmallStatus);
    }
}

void CSkin::CreateImageLists() {
    m_imgMain.Create(16, 16, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 1);
    if (const fw::Bitmap* icons = m_bmpMainIcon.Get()) {
        m_imgMain.Add(*icons, kIconMask);
    }
    // The icons now live in the list. The handle field goes too, so that nothing is left
    // pointing at the deleted bitmap for Release to delete a second time.
    m_bmpMainIcon.DeleteObject();
    m_hMainIcon.reset();

    m_imgState.Create(16, 16, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 1);
    for (int i = 1; i <= 2; ++i) {
        if (i < m_imgMain.GetImageCount()) {
            m_imgState.Add(m_imgMain.Render(i, kIconMask), kIconMask);
        }
    }
    if (const fw::Bitmap* status = m_bmpSmallStatus.Get()) {
        m_imgState.Add(*status, kIconMask);
    }

    m_imgEmotion.Create(20, 20, CImageList::ILC_COLOR8 | CImageList::ILC_MASK, 50, 50);
    if (auto faces = fw::Resources::Global().LoadBitmap(kEmoticonBitmapId)) {
        m_imgEmotion.Add(*faces, kEmoticonMask);
    }

    m_imgMsgWnd.Create(16, 16, CImageList::ILC_COLOR8 | CImageList::ILC_MASK, 50, 50);
    if (const fw::Bitmap* icons = m_bmpMsgWndIcon.Get()) {
        m_imgMsgWnd.Add(*icons, kIconMask);
    }
}

void CSkin::Release() {
    m_bmpMainIcon.Detach();
    m_bmpNotifyUserAnimate.Detach();
    m_bmpTabBkPhoto.Detach();
    m_bmpTab2Bmp.Detach();
    m_bmpMainStatus.Detach();
    m_bmpMsgWndIcon.Detach();
    m_bmpCorner.Detach();
    m_bmpTrayMenuIcon.Detach();
    m_bmpShortCutMenuIcon.Detach();
    m_bmpSmallStatus.Detach();
    for (const BitmapEntry& e : kBitmapEntries) {
        (this->*e.field).reset();
    }
    m_imgMain.DeleteImageList();
    m_imgState.DeleteImageList();
    m_imgEmotion.DeleteImageList();
    m_imgMsgWnd.DeleteImageList();
}
