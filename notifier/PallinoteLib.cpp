#include "notifier/PallinoteLib.h"

const InterfaceDesc& PallinoteDispatchDesc() {
    static const InterfaceDesc desc{
        DIID__DPallinote,
        "_DPallinote",
        "Pallinote Control 的调度接口",
        {
            {dispidShowMessage,
             "ShowMessage",
             MemberKind::Method,
             VT_EMPTY,
             {{"strcaption", VT_BSTR},
              {"strtext", VT_BSTR},
              {"strUrl", VT_BSTR},
              {"strtime", VT_BSTR},
              {"strclose", VT_BSTR},
              {"strmode", VT_BSTR},
              {"colour", VT_COLOR},
              {"other1", VT_BSTR},
              {"other2", VT_BSTR},
              {"other3", VT_BSTR}},
             "方法ShowMessage"},
            {dispidCloseMessage,
             "CloseMessage",
             MemberKind::Method,
             VT_EMPTY,
             {{"str", VT_BSTR}},
             "方法CloseMessage"},
            {dispidConnect,
             "Connect",
             MemberKind::Method,
             VT_BOOL,
             {{"strIP", VT_BSTR}, {"strPort", VT_BSTR}},
             "建立连接Connect"},
            {dispidSockClose, "SockClose", MemberKind::Method, VT_BOOL, {}, "方法SockClose"},
            {dispidSend,
             "Send",
             MemberKind::Method,
             VT_BOOL,
             {{"str", VT_BSTR}, {"nLen", VT_I4}},
             "方法Send"},
            {dispidGetLocalIP, "GetLocalIP", MemberKind::Method, VT_BSTR, {}, "方法GetLocalIP"},
            {dispidGetLocalTime,
             "GetLocalTime",
             MemberKind::Method,
             VT_BSTR,
             {},
             "方法GetLocalTime"},
            {dispidSetLocalTime,
             "SetLocalTime",
             MemberKind::Method,
             VT_BOOL,
             {{"year", VT_I4},
              {"mon", VT_I4},
              {"day", VT_I4},
              {"hour", VT_I4},
              {"min", VT_I4},
              {"sec", VT_I4}},
             "方法SetLocalTime"},
            {dispidShowWindow,
             "ShowWindow",
             MemberKind::Method,
             VT_EMPTY,
             {{"strTitle", VT_BSTR}},
             "方法ShowWindow"},
            {dispidIP, "IP", MemberKind::Property, VT_BSTR, {}, "property IP", true},
            {dispidPort, "Port", MemberKind::Property, VT_BSTR, {}, "property Port", true},
            {dispidIsConnected,
             "IsConnected",
             MemberKind::Property,
             VT_I4,
             {},
             "属性 IsConnected",
             false},
            {dispidSetTop,
             "SetTop",
             MemberKind::Method,
             VT_BOOL,
             {{"strTitle", VT_BSTR}},
             "方法SetTop"},
            {dispidOverTime, "OverTime", MemberKind::Property, VT_BSTR, {}, "属性 OverTime", true},
        }};
    return desc;
}

const InterfaceDesc& PallinoteEventsDesc() {
    static const InterfaceDesc desc{
        DIID__DPallinoteEvents,
        "_DPallinoteEvents",
        "Pallinote Control 的事件接口",
        {
            {eventidOnRecv,
             "OnRecv",
             MemberKind::Method,
             VT_EMPTY,
             {{"strInfo", VT_BSTR}, {"nLen", VT_UI4}},
             ""},
            {eventidOnConnect, "OnConnect", MemberKind::Method, VT_EMPTY, {}, ""},
            {eventidOnSockClose, "OnSockClose", MemberKind::Method, VT_EMPTY, {}, ""},
            {eventidCallbackClose,
             "CallbackClose",
             MemberKind::Method,
             VT_EMPTY,
             {{"other1", VT_BSTR}, {"other2", VT_BSTR}, {"other3", VT_BSTR}},
             ""},
            {eventidCallbackHttp,
             "CallbackHttp",
             MemberKind::Method,
             VT_EMPTY,
             {{"id", VT_BSTR},
              {"strHttp", VT_BSTR},
              {"other1", VT_BSTR},
              {"other2", VT_BSTR},
              {"other3", VT_BSTR}},
             ""},
        }};
    return desc;
}

const TypeLibDesc& PallinoteTypeLibDesc() {
    static const TypeLibDesc desc{
        LIBID_PallinoteLib,
        "PallinoteLib",
        kPallinoteLibMajor,
        kPallinoteLibMinor,
        kPallinoteLibLcid,
        "Pallinote.hlp",
        "Pallinote ActiveX 控件模块",
        {&PallinoteDispatchDesc(), &PallinoteEventsDesc()},
        {{CLSID_PallinoteCtrl, "Pallinote", "Pallinote Control", DIID__DPallinote,
          DIID__DPallinoteEvents, true}},
    };
    return desc;
}

const char* PallinoteString(unsigned id) {
    switch (id) {
        case IDS_PALLINOTE:
            return "Pallinote Control";
        case IDS_PALLINOTE_PPG:
            return "Pallinote Property Page";
        case IDS_PALLINOTE_PPG_CAPTION:
            return "常规";
        default:
            return nullptr;
    }
}
