#pragma once
// A browser view used as a child control of an ordinary dialog (outside web sites). It takes
// the place of the dialog's static control 1078. Addresses beginning with "app:" are
// commands to the program, never loaded.

#include <memory>
#include <string>

#include "platform/Window.h"
#include "platform/web/WebView.h"

constexpr fw::UINT IDC_HTMLVIEW = 1078;

class CHtmlCtrl : public fw::HtmlSite {
public:
    CHtmlCtrl();
    ~CHtmlCtrl() override;

    // Replaces `parent`'s control 1078 by the view, at its place and with its id. Returns
    // false, creating nothing, when the parent has no control 1078.
    bool CreateFromStatic(fw::Window* parent);
    void Navigate(const std::string& url);
    void SetSilent(bool silent);
    const fw::web::WebViewPtr& View() const { return view_; }

    void OnDestroy() override;

protected:
    // "ok" (any case) sends the parent IDOK; other commands do nothing.
    virtual void OnAppCmd(const std::string& command);
    virtual bool OnBeforeNavigate(const std::string& url);

private:
    class Sink;
    fw::web::WebViewPtr view_;
    std::unique_ptr<Sink> sink_;
};
