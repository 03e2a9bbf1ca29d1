// Shared set-up of the control tests: the headless framework, a host window,
// an event sink recording every event, and pumping with a real-time bound.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "com/ConnectionPoint.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "notifier/PallinoteLib.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/headless/Headless.h"

struct RecordedEvent {
    DISPID id;
    std::vector<std::u16string> args;  // numbers as decimal text
};

class EventSink final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__DPallinoteEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR* const*, std::uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, std::uint16_t, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        RecordedEvent e{id, {}};
        for (std::uint32_t i = p->cArgs; i-- > 0;) {
            const VARIANT& v = p->rgvarg[i];
            if (v.vt == VT_BSTR) {
                e.args.push_back(U16FromBstr(v.bstrVal));
            } else {
                const std::string n = std::to_string(v.vt == VT_UI4 ? v.ulVal : v.lVal);
                e.args.emplace_back(n.begin(), n.end());
            }
        }
        events.push_back(e);
        if (onEvent)
            onEvent(e);
        return S_OK;
    }
    int Count(DISPID id) const {
        int n = 0;
        for (const auto& e : events)
            n += e.id == id ? 1 : 0;
        return n;
    }
    std::vector<DISPID> Ids() const {
        std::vector<DISPID> ids;
        for (const auto& e : events)
            ids.push_back(e.id);
        return ids;
    }

    ULONG refs = 1;
    std::vector<RecordedEvent> events;
    std::function<void(const RecordedEvent&)> onEvent;
};

// A top-level host window that records message 1324 with its text.
class HostWindow : public fw::Window {
public:
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message == fw::WM_USER + 300) {
            views.push_back(reinterpret_cast<const char16_t*>(lParam));
            return 0;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::vector<std::u16string> views;
};

class ControlFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), ""));
        fw::headless::SetScreen({1280, 800}, {0, 0, 1280, 770});
        ThePallinoteApp().ResetMessageCounter();
        CComPtr<IDispatch> disp;
        ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
        ctrl = static_cast<CPallinoteCtrl*>(disp.Detach());
        CComPtr<IConnectionPoint> cp;
        ASSERT_EQ(ctrl->FindConnectionPoint(DIID__DPallinoteEvents, cp.Put()), S_OK);
        ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
    }
    void TearDown() override {
        DestroyControl();
        host.DestroyWindow();
        fw::Shutdown();
    }

    // Places the control in a visible host window.
    void Embed() {
        ASSERT_TRUE(
            host.CreateEx(0, "host", fw::WS_POPUP | fw::WS_VISIBLE, {0, 0, 1000, 700}, nullptr));
        ControlPlacement place;
        place.parent = host.GetSafeHwnd();
        place.style = fw::WS_VISIBLE;
        place.left = 10, place.top = 10, place.right = 110, place.bottom = 60;
        place.id = 1036;
        std::uint64_t hwnd = 0;
        ASSERT_EQ(ctrl->CreateControlWindow(place, &hwnd), S_OK);
        ASSERT_NE(hwnd, 0u);
    }

    void DestroyControl() {
        if (ctrl != nullptr)
            static_cast<IDispatch*>(ctrl)->Release();
        ctrl = nullptr;
    }

    // Handles queued messages until pred holds or the real-time bound passes.
    bool PumpUntil(const std::function<bool()>& pred, int ms = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            if (!fw::PumpPending())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    CPallinoteCtrl* ctrl = nullptr;
    EventSink sink;
    std::uint32_t cookie = 0;
    HostWindow host;
};
