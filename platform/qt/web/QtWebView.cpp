#include "platform/qt/web/QtWebView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

#include "platform/core/Text.h"
#include "platform/qt/web/QtWebRegister.h"
#include "platform/web/Url.h"

namespace fw::qt {
namespace {

// Addresses "app:..." are commands to the program. Unknown to the engine they would be
// handed to the desktop as an outside protocol without ever reaching acceptNavigationRequest;
// known (and local, so that pages from files may link to them), they come to the owner's
// rules like any link. Registration must happen before the engine starts: at load time.
const bool kAppSchemeRegistered = [] {
    QWebEngineUrlScheme scheme(QByteArrayLiteral("app"));
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
    return true;
}();

// Installed in every page before its own script runs. It remembers which globals existed
// before the page, so that the page's own functions can be told apart; reports clicks (with
// the ids of every enclosing element, innermost first) and typed values over the channel;
// and answers the view's calls with a fresh snapshot of what the view mirrors.
const char kBridgeScript[] = R"js(
(function () {
  if (window.__vqHost) return;
  var before = new Set(Object.getOwnPropertyNames(window));
  var docId = Math.random().toString(36).slice(2) + '.' + Date.now().toString(36);
  var host = null, queue = [];
  function send(name, args) {
    if (host) host[name].apply(host, args); else queue.push([name, args]);
  }
  if (typeof qt !== 'undefined' && qt.webChannelTransport) {
    new QWebChannel(qt.webChannelTransport, function (channel) {
      host = channel.objects.vqHost;
      queue.forEach(function (q) { host[q[0]].apply(host, q[1]); });
      queue = [];
    });
  }
  document.addEventListener('click', function (ev) {
    var ids = [];
    for (var n = ev.target; n; n = n.parentNode) if (n.id) ids.push(String(n.id));
    if (ids.length) send('clicked', [ids]);
  }, true);
  function typed(ev) {
    var t = ev.target;
    if (t && t.id && typeof t.value === 'string') send('valueChanged', [String(t.id), t.value]);
  }
  document.addEventListener('input', typed, true);
  document.addEventListener('change', typed, true);
  function snapshot() {
    var fns = [];
    Object.getOwnPropertyNames(window).forEach(function (k) {
      if (before.has(k) || k === '__vqHost') return;
      try { if (typeof window[k] === 'function') fns.push(k); } catch (e) {}
    });
    var values = {};
    var all = document.querySelectorAll('[id]');
    for (var i = 0; i < all.length && i < 20000; ++i) {
      var el = all[i];
      if (typeof el.value === 'string' && !(el.id in values)) values[el.id] = el.value;
    }
    var form = null;
    if (document.forms.length > 0) {
      var f = document.forms[0], names = [];
      for (var j = 0; j < f.elements.length; ++j) {
        if (f.elements[j].name) names.push(String(f.elements[j].name));
      }
      form = { name: f.getAttribute('name') || '', elements: names };
    }
    return { functions: fns, values: values,
             body: document.body ? document.body.innerHTML : '', form: form,
             doc: docId, href: String(location.href), ready: document.readyState };
  }
  function named(i) {
    var f = document.forms[0], k = 0;
    if (!f) return null;
    for (var j = 0; j < f.elements.length; ++j) {
      if (f.elements[j].name) { if (k === i) return f.elements[j]; ++k; }
    }
    return null;
  }
  function wrap(r) {
    if (r === undefined) return { t: 'e' };
    if (r === null) return { t: 'n' };
    if (typeof r === 'boolean') return { t: 'b', v: r };
    if (typeof r === 'number') return { t: 'd', v: r };
    return { t: 's', v: String(r) };
  }
  Object.defineProperty(window, '__vqHost', { value: {
    snapshot: snapshot,
    probe: function () {
      return { doc: docId, href: String(location.href), ready: document.readyState };
    },
    call: function (name, args) {
      var f = window[name];
      if (typeof f !== 'function') return { status: 'unknown', snapshot: snapshot() };
      try {
        var r = f.apply(window, args);
        return { status: 'ok', value: wrap(r), snapshot: snapshot() };
      } catch (e) {
        console.error('uncaught exception in ' + name + '(): ' + (e && e.stack ? e.stack : e));
        return { status: 'exception', snapshot: snapshot() };
      }
    },
    setValue: function (id, v) { var el = document.getElementById(id); if (el) el.value = v; return snapshot(); },
    setBody: function (html) { if (document.body) document.body.innerHTML = html; return snapshot(); },
    setFormValue: function (i, v) { var el = named(i); if (el) el.value = v; return snapshot(); },
    submit: function () { if (document.forms[0]) document.forms[0].submit(); }
  }, enumerable: false });
})();
)js";

// Without a handler the engine still treats the scheme as an outside protocol. Nothing is
// ever loaded from it: a navigation the owner lets through fails here.
class AppSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
    }
};

// A JavaScript string literal holding `text`, escaped by hand: a page document may be tens of
// kilobytes and this runs for every call.
QString Json(const QString& text) {
    static const char kHex[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size() + text.size() / 8 + 2);
    out += QLatin1Char('"');
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
            case u'"':
                out += QLatin1String("\\\"");
                break;
            case u'\\':
                out += QLatin1String("\\\\");
                break;
            case u'\n':
                out += QLatin1String("\\n");
                break;
            case u'\r':
                out += QLatin1String("\\r");
                break;
            default:
                // Controls, the two line separators JavaScript ends lines at, and '<' (no
                // "</script>" inside a literal) as escapes.
                if (c < 0x20 || c == 0x2028 || c == 0x2029 || c == u'<') {
                    out += QLatin1String("\\u");
                    out += QLatin1Char(kHex[(c >> 12) & 15]);
                    out += QLatin1Char(kHex[(c >> 8) & 15]);
                    out += QLatin1Char(kHex[(c >> 4) & 15]);
                    out += QLatin1Char(kHex[c & 15]);
                } else {
                    out += ch;
                }
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string ToUtf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), std::size_t(b.size()));
}

QString InjectedSource() {
    QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    QString source;
    if (channel.open(QIODevice::ReadOnly)) {
        source = QString::fromUtf8(channel.readAll());
    }
    return source + QString::fromUtf8(kBridgeScript);
}

const char* LevelName(QWebEnginePage::JavaScriptConsoleMessageLevel level) {
    switch (level) {
        case QWebEnginePage::InfoMessageLevel:
            return "info";
        case QWebEnginePage::WarningMessageLevel:
            return "warning";
        default:
            return "error";
    }
}

}  // namespace

// ---- PageBridge, VqWebPage ----

void PageBridge::clicked(const QStringList& ids) {
    owner_.Clicked(ids);
}

void PageBridge::valueChanged(const QString& id, const QString& value) {
    owner_.ValueChanged(id, value);
}

VqWebPage::VqWebPage(QWebEngineProfile* profile, QtWebView& owner, QObject* parent)
    : QWebEnginePage(profile, parent), owner_(owner) {}

bool VqWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    (void)type;
    return owner_.BeforeNavigate(url, isMainFrame);
}

void VqWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                         const QString& message, int line, const QString& source) {
    web::WritePageConsole(LevelName(level), ToUtf8(message), ToUtf8(source), line);
}

void VqWebPage::javaScriptAlert(const QUrl& origin, const QString& msg) {
    if (!owner_.IsSilent()) {
        QWebEnginePage::javaScriptAlert(origin, msg);
    }
}

bool VqWebPage::javaScriptConfirm(const QUrl& origin, const QString& msg) {
    return !owner_.IsSilent() && QWebEnginePage::javaScriptConfirm(origin, msg);
}

bool VqWebPage::javaScriptPrompt(const QUrl& origin, const QString& msg,
                                 const QString& defaultValue, QString* result) {
    return !owner_.IsSilent() &&
           QWebEnginePage::javaScriptPrompt(origin, msg, defaultValue, result);
}

// ---- QtWebView ----

QWebEngineProfile* QtWebView::Profile() {
    static QPointer<QWebEngineProfile> profile;
    if (profile.isNull()) {
        profile = new QWebEngineProfile(qApp);  // no storage name: off the record
        profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        profile->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
        profile->installUrlSchemeHandler(QByteArrayLiteral("app"), new AppSchemeHandler(profile));
    }
    return profile;
}

std::shared_ptr<QtWebView> QtWebView::Create(QWidget* parent) {
    std::shared_ptr<QtWebView> view(new QtWebView());
    view->Build(parent);
    return view;
}

void QtWebView::Build(QWidget* parent) {
    view_ = new QWebEngineView(parent);
    page_ = new VqWebPage(Profile(), *this, view_);
    bridge_ = std::make_unique<PageBridge>(*this);
    channel_ = new QWebChannel(page_);
    channel_->registerObject(QStringLiteral("vqHost"), bridge_.get());
    page_->setWebChannel(channel_);

    QWebEngineScript script;
    script.setName(QStringLiteral("vq-bridge"));
    script.setSourceCode(InjectedSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    page_->scripts().insert(script);
    view_->setPage(page_);

    if (parent != nullptr) {
        auto* layout = parent->layout() != nullptr ? nullptr : new QVBoxLayout(parent);
        if (layout != nullptr) {
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(view_);
        }
    }

    std::weak_ptr<QtWebView> self = weak_from_this();
    QObject::connect(
        page_, &QWebEnginePage::loadingChanged, view_, [self](const QWebEngineLoadingInfo& info) {
            if (auto v = self.lock()) {
                v->OnLoadingChanged(int(info.status()), info.isErrorPage(), info.url());
            }
        });
    QObject::connect(page_, &QWebEnginePage::newWindowRequested, view_,
                     [self](QWebEngineNewWindowRequest& request) {
                         if (auto v = self.lock()) {
                             v->NewWindow(request.requestedUrl());
                         }
                     });
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view_, &QWidget::customContextMenuRequested, view_, [self](const QPoint& pos) {
        auto v = self.lock();
        if (!v || v->ContextMenu() || v->view_.isNull()) {
            return;
        }
        QMenu* menu = v->view_->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(v->view_->mapToGlobal(pos));
    });
}

QtWebView::~QtWebView() {
    events_ = nullptr;
    if (!view_.isNull()) {
        // Possibly inside one of the view's own signals: let Qt delete it when it is safe.
        view_->deleteLater();
    }
}

void QtWebView::OnSiteMoved(const Rect& clientRect) {
    // Inside its site the view fills it (layout); alone, it takes the site's place.
    if (!view_.isNull() && view_->parentWidget() == nullptr) {
        view_->setGeometry(clientRect.left, clientRect.top, clientRect.Width(),
                           clientRect.Height());
    }
}

void QtWebView::OnSiteShown(bool shown) {
    if (!view_.isNull()) {
        view_->setVisible(shown);
    }
}

void QtWebView::OnSiteDestroyed() {
    destroyed_ = true;
    events_ = nullptr;
}

// ---- Navigation ----

void QtWebView::Navigate(const std::string& urlOrPath) {
    const QUrl url(FromUtf8(web::SystemToUrl(urlOrPath, url_)), QUrl::TolerantMode);
    std::weak_ptr<QtWebView> self = weak_from_this();
    // Never inside the caller: a dialog navigates from its own navigation handlers.
    QTimer::singleShot(0, view_, [self, url] {
        if (auto v = self.lock()) {
            v->StartLoad(url);
        }
    });
}

void QtWebView::StartLoad(const QUrl& url) {
    if (page_.isNull() || destroyed_) {
        return;
    }
    if (windingDown_) {
        // A navigation the owner has just cancelled is still being wound down, and the
        // engine stops whatever load is under way when it is done. Wait for that first.
        deferredLoad_ = url;
        std::weak_ptr<QtWebView> self = weak_from_this();
        QTimer::singleShot(kWindDownMs, view_, [self] {
            if (auto v = self.lock()) {
                v->windingDown_ = false;
                v->StartDeferredLoad();
            }
        });
        return;
    }
    ownLoad_ = url;
    page_->load(url);
}

void QtWebView::StartDeferredLoad() {
    if (deferredLoad_.isEmpty()) {
        return;
    }
    const QUrl url = deferredLoad_;
    deferredLoad_.clear();
    StartLoad(url);
}

void QtWebView::LoadHtml(const std::string& html, const std::string& baseUrl) {
    const QString text = FromUtf8(vq::GbkToUtf8(html));
    const QUrl base(FromUtf8(web::SystemToUrl(baseUrl, url_)), QUrl::TolerantMode);
    std::weak_ptr<QtWebView> self = weak_from_this();
    QTimer::singleShot(0, view_, [self, text, base] {
        if (auto v = self.lock(); v && !v->page_.isNull() && !v->destroyed_) {
            v->htmlLoad_ = true;  // its document's address is the base, not what is loaded
            v->page_->setHtml(text, base);
        }
    });
}

bool QtWebView::BeforeNavigate(const QUrl& url, bool mainFrame) {
    if (destroyed_) {
        return false;
    }
    const QUrl plain = url.adjusted(QUrl::RemoveFragment);
    // A load the owner has already allowed (a link for a new window, a repeated load) is
    // not put to it a second time.
    const bool approved = mainFrame && !approved_.isEmpty() && plain == approved_;
    if (approved) {
        approved_.clear();
    } else {
        const std::string encoded = ToUtf8(url.toString(QUrl::FullyEncoded));
        if (events_ != nullptr &&
            !events_->OnBeforeNavigate(web::UrlToSystem(encoded), mainFrame)) {
            // The page's own navigations are reported as started before they come here.
            windingDown_ = windingDown_ || (mainFrame && !page_.isNull() && page_->isLoading());
            return false;
        }
    }
    if (mainFrame && !destroyed_) {
        if (!approved) {
            retries_ = 0;
        }
        acceptedLoad_ = ++loadsAccepted_;
        acceptedUrl_ = plain;
        acceptedOwn_ = plain == ownLoad_.adjusted(QUrl::RemoveFragment);
        acceptedAnyUrl_ = std::exchange(htmlLoad_, false);
        ownLoad_.clear();
        waitingForLoad_ = true;
        checkDelayMs_ = 0;
    }
    return !destroyed_;
}

void QtWebView::NewWindow(const QUrl& url) {
    // Never a second window: the address goes through this view's rules like a link.
    if (BeforeNavigate(url, true)) {
        LoadApproved(url, 0);
    }
}

void QtWebView::LoadApproved(const QUrl& url, std::uint64_t unlessReported) {
    std::weak_ptr<QtWebView> self = weak_from_this();
    QTimer::singleShot(0, view_, [self, url, unlessReported] {
        auto v = self.lock();
        if (!v ||
            (unlessReported != 0 && (unlessReported != v->acceptedLoad_ || !v->waitingForLoad_))) {
            return;  // the load it was to repeat has come after all
        }
        v->approved_ = url.adjusted(QUrl::RemoveFragment);
        v->StartLoad(url);
    });
}

void QtWebView::OnLoadingChanged(int status, bool errorPage, const QUrl& url) {
    (void)url;
    // The engine's reports do not map one to one onto navigations: a load that a newer one
    // replaces may still report success (under the address of either), two loads may end in
    // one report, and a load started while a cancelled navigation winds down may be stopped
    // with it. Every end is therefore only a cue to look at the page itself.
    if (status == QWebEngineLoadingInfo::LoadStartedStatus) {
        return;
    }
    if (windingDown_) {
        windingDown_ = false;
        StartDeferredLoad();
    }
    CheckLoad(status == QWebEngineLoadingInfo::LoadFailedStatus && errorPage);
}

bool QtWebView::IsAcceptedDocument(const QVariantMap& probe) const {
    if (probe.value(QStringLiteral("ready")).toString() != QStringLiteral("complete")) {
        return false;
    }
    const QString doc = probe.value(QStringLiteral("doc")).toString();
    if (doc.isEmpty() || doc == reportedDocument_) {
        return false;  // the page that was there before the navigation
    }
    if (acceptedAnyUrl_) {
        return true;
    }
    const QUrl href(probe.value(QStringLiteral("href")).toString(), QUrl::StrictMode);
    return href.adjusted(QUrl::RemoveFragment) == acceptedUrl_;
}

void QtWebView::CheckLoad(bool errorPage) {
    if (!waitingForLoad_ || destroyed_ || page_.isNull()) {
        return;
    }
    const std::uint64_t load = acceptedLoad_;
    std::weak_ptr<QtWebView> self = weak_from_this();
    // A small probe first: while a page loads this runs often, the whole mirror only once.
    RunScript(QStringLiteral("window.__vqHost ? window.__vqHost.probe() : null"),
              [self, load, errorPage](const QVariant& probe) {
                  if (auto v = self.lock()) {
                      v->OnProbe(load, errorPage, probe.toMap());
                  }
              });
}

bool QtWebView::StillWaitingFor(std::uint64_t load) const {
    return !destroyed_ && load == acceptedLoad_ && waitingForLoad_ && !page_.isNull();
}

void QtWebView::OnProbe(std::uint64_t load, bool errorPage, const QVariantMap& probe) {
    if (!StillWaitingFor(load)) {
        return;  // reported already, or a later navigation has taken over
    }
    const bool busy = page_->isLoading();
    if (!busy && (IsAcceptedDocument(probe) || errorPage)) {
        const QString doc = probe.value(QStringLiteral("doc")).toString();
        std::weak_ptr<QtWebView> self = weak_from_this();
        RunScript(QStringLiteral("window.__vqHost ? window.__vqHost.snapshot() : null"),
                  [self, load, doc, errorPage](const QVariant& snapshot) {
                      auto v = self.lock();
                      if (!v || !v->StillWaitingFor(load)) {
                          return;
                      }
                      if (snapshot.toMap().value(QStringLiteral("doc")).toString() != doc) {
                          v->CheckLoad(errorPage);  // the page changed in between
                          return;
                      }
                      v->ReportLoad(snapshot);
                  });
        return;
    }
    // The page answered from the document it had before the navigation, fully loaded, and
    // the engine is idle: the load was stopped without a page. Our own load is made again
    // (the owner has allowed it already); a new document would have answered with another
    // id, and one in the making not at all.
    const bool oldPage =
        !probe.isEmpty() && probe.value(QStringLiteral("doc")).toString() == reportedDocument_;
    if (!busy && oldPage && acceptedOwn_ && retries_ < kMaxRetries && deferredLoad_.isEmpty()) {
        ++retries_;
        LoadApproved(acceptedUrl_, load);
        return;
    }
    // Not there yet, and the engine may not say when it is: look again.
    checkDelayMs_ = std::min(kMaxCheckDelayMs, std::max(20, checkDelayMs_ * 2));
    std::weak_ptr<QtWebView> self = weak_from_this();
    QTimer::singleShot(checkDelayMs_, view_, [self, load] {
        auto v = self.lock();
        if (v && load == v->acceptedLoad_) {
            v->CheckLoad(false);
        }
    });
}

void QtWebView::ReportLoad(const QVariant& snapshot) {
    waitingForLoad_ = false;
    generation_ = ++documents_;
    document_ = std::make_shared<web::Document>(weak_from_this(), generation_);
    url_ = ToUtf8(page_->url().toString(QUrl::FullyEncoded));
    functions_.clear();
    values_.clear();
    body_.clear();
    form_.reset();
    reportedDocument_ = snapshot.toMap().value(QStringLiteral("doc")).toString();
    ApplySnapshot(snapshot);
    const std::string reported = web::UrlToSystem(url_);
    const std::uint64_t shown = generation_;
    if (events_ != nullptr) {
        events_->OnNavigateComplete(reported);
    }
    if (events_ != nullptr && generation_ == shown) {
        events_->OnDocumentComplete(reported);
    }
}

void QtWebView::ApplySnapshot(const QVariant& snapshot) {
    const QVariantMap map = snapshot.toMap();
    if (map.isEmpty()) {
        return;
    }
    functions_.clear();
    for (const QVariant& f : map.value(QStringLiteral("functions")).toList()) {
        functions_.insert(ToUtf8(f.toString()));
    }
    values_.clear();
    const QVariantMap values = map.value(QStringLiteral("values")).toMap();
    for (auto it = values.begin(); it != values.end(); ++it) {
        values_[ToUtf8(it.key())] = ToUtf8(it.value().toString());
    }
    body_ = ToUtf8(map.value(QStringLiteral("body")).toString());
    const QVariant form = map.value(QStringLiteral("form"));
    if (form.isNull() || !form.isValid() || form.toMap().isEmpty()) {
        form_.reset();
    } else {
        web::FormInfo info;
        info.name = ToUtf8(form.toMap().value(QStringLiteral("name")).toString());
        for (const QVariant& n : form.toMap().value(QStringLiteral("elements")).toList()) {
            info.elementNames.push_back(ToUtf8(n.toString()));
        }
        form_ = info;
    }
}

void QtWebView::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
    if (page_.isNull()) {
        return;
    }
    ++pending_;
    std::weak_ptr<QtWebView> self = weak_from_this();
    page_->runJavaScript(script, QWebEngineScript::MainWorld,
                         [self, done = std::move(done)](const QVariant& result) {
                             if (auto v = self.lock()) {
                                 --v->pending_;
                             }
                             if (done) {
                                 done(result);
                             }
                         });
}

std::string QtWebView::LocationUrl() const {
    return web::UrlToSystem(url_);
}

web::DocumentPtr QtWebView::GetDocument() {
    return generation_ != 0 ? document_ : nullptr;
}

// ---- Document ----

bool QtWebView::HasFunction(const std::string& name) const {
    return generation_ != 0 && functions_.count(name) != 0;
}

web::Status QtWebView::CallFunction(const std::string& name,
                                    const std::vector<std::u16string>& args, web::Value* result) {
    if (!HasFunction(name)) {
        return web::kUnknownName;
    }
    QStringList jsArgs;
    for (const std::u16string& a : args) {
        jsArgs << Json(QString::fromUtf16(a.data(), qsizetype(a.size())));
    }
    const QString script = QStringLiteral("window.__vqHost.call(%1, [%2])")
                               .arg(Json(FromUtf8(name)), jsArgs.join(QLatin1Char(',')));
    const std::uint64_t shown = generation_;
    std::weak_ptr<QtWebView> self = weak_from_this();
    auto apply = [self, shown](const QVariant& answer) {
        auto v = self.lock();
        if (v && v->generation_ == shown) {
            v->ApplySnapshot(answer.toMap().value(QStringLiteral("snapshot")));
        }
    };
    if (result == nullptr) {
        RunScript(script, apply);
        return web::kOk;
    }
    if (waitingForResult_) {
        return web::kBusy;
    }
    struct Wait {
        bool done = false;
        QVariant answer;
        QEventLoop loop;
    };
    auto wait = std::make_shared<Wait>();
    RunScript(script, [wait, apply](const QVariant& answer) {
        apply(answer);
        wait->answer = answer;
        wait->done = true;
        wait->loop.quit();
    });
    waitingForResult_ = true;
    QTimer::singleShot(kResultWaitMs, &wait->loop, &QEventLoop::quit);
    if (!wait->done) {
        wait->loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    waitingForResult_ = false;
    if (!wait->done) {
        return web::kTimeout;
    }
    const QVariantMap map = wait->answer.toMap();
    const QString status = map.value(QStringLiteral("status")).toString();
    if (status == QStringLiteral("unknown")) {
        return web::kUnknownName;
    }
    if (status != QStringLiteral("ok")) {
        return web::kException;
    }
    const QVariantMap value = map.value(QStringLiteral("value")).toMap();
    const QString type = value.value(QStringLiteral("t")).toString();
    *result = web::Value{};
    if (type == QStringLiteral("n")) {
        result->type = web::Value::Type::Null;
    } else if (type == QStringLiteral("b")) {
        result->type = web::Value::Type::Bool;
        result->boolean = value.value(QStringLiteral("v")).toBool();
    } else if (type == QStringLiteral("d")) {
        result->type = web::Value::Type::Number;
        result->number = value.value(QStringLiteral("v")).toDouble();
    } else if (type == QStringLiteral("s")) {
        result->type = web::Value::Type::String;
        const QString s = value.value(QStringLiteral("v")).toString();
        result->text.assign(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
    }
    return web::kOk;
}

std::optional<std::string> QtWebView::GetElementValue(const std::string& id) {
    auto it = values_.find(id);
    if (generation_ == 0 || it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool QtWebView::SetElementValue(const std::string& id, const std::string& value) {
    auto it = values_.find(id);
    if (generation_ == 0 || it == values_.end()) {
        return false;
    }
    it->second = value;
    const std::uint64_t shown = generation_;
    std::weak_ptr<QtWebView> self = weak_from_this();
    RunScript(QStringLiteral("window.__vqHost.setValue(%1, %2)")
                  .arg(Json(FromUtf8(id)), Json(FromUtf8(value))),
              [self, shown](const QVariant& snapshot) {
                  auto v = self.lock();
                  if (v && v->generation_ == shown) {
                      v->ApplySnapshot(snapshot);
                  }
              });
    return true;
}

std::optional<std::string> QtWebView::GetBodyHtml() {
    if (generation_ == 0) {
        return std::nullopt;
    }
    return body_;
}

bool QtWebView::SetBodyHtml(const std::string& html) {
    if (generation_ == 0) {
        return false;
    }
    body_ = html;
    const std::uint64_t shown = generation_;
    std::weak_ptr<QtWebView> self = weak_from_this();
    RunScript(QStringLiteral("window.__vqHost.setBody(%1)").arg(Json(FromUtf8(html))),
              [self, shown](const QVariant& snapshot) {
                  auto v = self.lock();
                  if (v && v->generation_ == shown) {
                      v->ApplySnapshot(snapshot);
                  }
              });
    return true;
}

std::optional<web::FormInfo> QtWebView::GetFirstForm() {
    if (generation_ == 0) {
        return std::nullopt;
    }
    return form_;
}

bool QtWebView::SetFirstFormElementValue(std::size_t index, const std::string& value) {
    if (generation_ == 0 || !form_ || index >= form_->elementNames.size()) {
        return false;
    }
    RunScript(QStringLiteral("window.__vqHost.setFormValue(%1, %2)")
                  .arg(qulonglong(index))
                  .arg(Json(FromUtf8(value))));
    return true;
}

bool QtWebView::SubmitFirstForm() {
    if (generation_ == 0 || !form_) {
        return false;
    }
    RunScript(QStringLiteral("window.__vqHost.submit()"));
    return true;
}

// ---- From the page ----

void QtWebView::Clicked(const QStringList& ids) {
    const std::uint64_t shown = generation_;
    for (const QString& id : ids) {
        if (events_ == nullptr || destroyed_ || generation_ != shown) {
            return;
        }
        events_->OnElementClick(vq::Utf8ToGbk(ToUtf8(id)));
    }
}

void QtWebView::ValueChanged(const QString& id, const QString& value) {
    if (generation_ != 0) {
        values_[ToUtf8(id)] = ToUtf8(value);
    }
}

bool QtWebView::ContextMenu() {
    return events_ != nullptr && events_->OnContextMenu();
}

// ---- Registration ----

void RegisterWebView() {
    (void)kAppSchemeRegistered;
    web::RegisterWebViewFactory("qt", [](HtmlSite& site) -> web::WebViewPtr {
        return QtWebView::Create(static_cast<QWidget*>(site.NativeParent()));
    });
    // Start the engine now and keep it: a page that exists from the start.
    static QPointer<QWebEnginePage> warm;
    if (warm.isNull() && qApp != nullptr) {
        warm = new QWebEnginePage(QtWebView::Profile(), qApp);
        warm->setHtml(QString());
    }
}

}  // namespace fw::qt
