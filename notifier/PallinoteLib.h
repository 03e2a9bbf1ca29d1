// The control library's identity: class, interface and library ids, ProgIDs,
// type names, and the dispatch and event interfaces as tables. Registration,
// late-bound calls and the tests all read these tables.
#pragma once

#include <cstdint>

#include "com/Guid.h"
#include "com/TypeLib.h"

constexpr GUID LIBID_PallinoteLib =
    MakeGuid(0x9872274A, 0xB131, 0x49E2, 0xAB, 0xCF, 0xB8, 0x7D, 0x96, 0xDE, 0xFA, 0x9C);
constexpr IID DIID__DPallinote =
    MakeGuid(0xA3E9A3D1, 0xD3D3, 0x476C, 0xBF, 0x38, 0x42, 0xE3, 0x7F, 0x69, 0x5F, 0xD7);
constexpr IID DIID__DPallinoteEvents =
    MakeGuid(0xE05DFF1F, 0xD1DB, 0x4450, 0x89, 0xDD, 0x65, 0x9F, 0x86, 0x5D, 0x1E, 0x68);
constexpr CLSID CLSID_PallinoteCtrl =
    MakeGuid(0x11DC9524, 0x86C3, 0x48A9, 0xBF, 0xB8, 0xC0, 0xA4, 0x19, 0xBB, 0xB9, 0xF4);
constexpr CLSID CLSID_PallinotePropPage =
    MakeGuid(0x853BAB8E, 0xB1D1, 0x41C9, 0xBC, 0xBC, 0x7E, 0x9C, 0x02, 0xEE, 0x9D, 0x7D);

constexpr std::uint16_t kPallinoteLibMajor = 1;
constexpr std::uint16_t kPallinoteLibMinor = 0;
constexpr LCID kPallinoteLibLcid = 1033;

constexpr const char* kPallinoteCtrlProgId = "PALLINOTE.PallinoteCtrl.1";
constexpr const char* kPallinotePropPageProgId = "PALLINOTE.PallinotePropPage.1";

// String resources of the library.
constexpr unsigned IDS_PALLINOTE = 1;      // control type name
constexpr unsigned IDS_PALLINOTE_PPG = 2;  // property page type name
constexpr unsigned IDS_PALLINOTE_PPG_CAPTION = 200;
constexpr unsigned IDB_PALLINOTE = 1;  // toolbox bitmap
constexpr unsigned IDD_PROPPAGE_PALLINOTE = 200;

// OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
// OLEMISC_RECOMPOSEONRESIZE; not activated when visible.
constexpr std::uint32_t kPallinoteMiscStatus = 0x20091;

// Dispatch ids of _DPallinote.
enum : DISPID {
    dispidShowMessage = 1,
    dispidCloseMessage = 2,
    dispidConnect = 3,
    dispidSockClose = 4,
    dispidSend = 5,
    dispidGetLocalIP = 6,
    dispidGetLocalTime = 7,
    dispidSetLocalTime = 8,
    dispidShowWindow = 9,
    dispidIP = 13,
    dispidPort = 14,
    dispidIsConnected = 15,
    dispidSetTop = 16,
    dispidOverTime = 17,
};

// Dispatch ids of _DPallinoteEvents.
enum : DISPID {
    eventidOnRecv = 10,
    eventidOnConnect = 11,
    eventidOnSockClose = 12,
    eventidCallbackClose = 13,
    eventidCallbackHttp = 14,
};

const InterfaceDesc& PallinoteDispatchDesc();
const InterfaceDesc& PallinoteEventsDesc();
const TypeLibDesc& PallinoteTypeLibDesc();

// Type name texts by string resource id (1, 2, 200); null for others.
const char* PallinoteString(unsigned id);
