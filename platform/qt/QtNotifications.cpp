#include "platform/qt/QtNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <deque>
#include <map>
#include <set>

#include "platform/Notifications.h"
#include "platform/core/Text.h"

namespace fw::qt {
namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
constexpr int kCallTimeoutMs = 5000;

QString FromGbk(const std::string& gbk) {
    return QString::fromStdString(vq::GbkToUtf8(gbk));
}

// A desktop that reads markup in the body would act on tags inside received texts
// (links, pictures): they are made plain characters there.
QString PlainBody(const std::string& gbk, bool markup) {
    QString s = FromGbk(gbk);
    if (markup) {
        s.replace(QLatin1Char('&'), QLatin1String("&amp;"))
            .replace(QLatin1Char('<'), QLatin1String("&lt;"))
            .replace(QLatin1Char('>'), QLatin1String("&gt;"));
    }
    return s;
}

// Our note numbers and the desktop's are mapped both ways: the desktop's number is known
// only once its answer to Notify has come.
class DBusNotifications : public QObject, public NotificationService {
    Q_OBJECT

public:
    bool Show(std::uint32_t id, const Notification& note) override {
        // The bus is reached on first use, not at start-up.
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            return false;
        }
        if (!listening_) {
            listening_ = true;
            bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                        SLOT(OnActionInvoked(uint, QString)));
            bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                        SLOT(OnClosed(uint, uint)));
        }
        if (capabilities_ != Known::Yes) {
            // Whether the body is read as markup decides how it is sent.
            waiting_.push_back({id, note});
            AskCapabilities(bus);
            return true;
        }
        Send(bus, id, note);
        return true;
    }

    void Close(std::uint32_t id) override {
        std::erase_if(waiting_, [id](const Waiting& w) { return w.id == id; });
        auto it = toDesktop_.find(id);
        if (it == toDesktop_.end()) {
            if (sent_.count(id) != 0) {
                closeOnAnswer_.insert(id);
            }
            return;
        }
        CloseOnDesktop(it->second);
        fromDesktop_.erase(it->second);
        toDesktop_.erase(it);
    }

private slots:
    void OnActionInvoked(uint desktopId, const QString& action) {
        auto it = fromDesktop_.find(desktopId);
        if (it == fromDesktop_.end()) {
            return;
        }
        // A note is answered once; whatever the desktop does with it afterwards is its own.
        NotificationActionInvoked(it->second, action.toStdString());
        toDesktop_.erase(it->second);
        fromDesktop_.erase(it);
    }
    void OnClosed(uint desktopId, uint reason) {
        (void)reason;  // expired, closed by the user or by another program: all the same here
        auto it = fromDesktop_.find(desktopId);
        if (it == fromDesktop_.end()) {
            return;
        }
        NotificationDismissed(it->second);
        toDesktop_.erase(it->second);
        fromDesktop_.erase(it);
    }

private:
    enum class Known { No, Asking, Yes };
    struct Waiting {
        std::uint32_t id;
        Notification note;
    };

    void AskCapabilities(QDBusConnection& bus) {
        if (capabilities_ == Known::Asking) {
            return;
        }
        capabilities_ = Known::Asking;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities");
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* w) {
                    QDBusPendingReply<QStringList> reply = *w;
                    if (reply.isValid()) {
                        markup_ = reply.value().contains(QStringLiteral("body-markup"));
                        capabilities_ = Known::Yes;
                    } else {
                        // No answer: asked again with the next note; these go out in the
                        // safe form, and fail if nobody is there.
                        markup_ = true;
                        capabilities_ = Known::No;
                    }
                    std::deque<Waiting> notes = std::move(waiting_);
                    waiting_.clear();
                    QDBusConnection bus = QDBusConnection::sessionBus();
                    for (const Waiting& n : notes) {
                        Send(bus, n.id, n.note);
                    }
                    w->deleteLater();
                });
    }

    void Send(QDBusConnection& bus, std::uint32_t id, const Notification& note) {
        QStringList actions;
        for (const NotificationAction& a : note.actions) {
            actions << QString::fromStdString(a.key) << FromGbk(a.label);
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
        call << QStringLiteral("Velquor") << 0u << QString::fromStdString(note.icon)
             << FromGbk(note.title) << PlainBody(note.body, markup_) << actions << QVariantMap{}
             << qint32(note.timeoutMs);
        sent_.insert(id);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, id](QDBusPendingCallWatcher* w) {
                    QDBusPendingReply<uint> reply = *w;
                    sent_.erase(id);
                    if (!reply.isValid()) {
                        // No service on the bus answers with an error.
                        NotificationFailed(id);
                    } else if (closeOnAnswer_.erase(id) != 0) {
                        CloseOnDesktop(reply.value());
                    } else {
                        fromDesktop_[reply.value()] = id;
                        toDesktop_[id] = reply.value();
                    }
                    w->deleteLater();
                });
    }

    static void CloseOnDesktop(uint desktopId) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, "CloseNotification");
        call << desktopId;
        QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs);
    }

    bool listening_ = false;
    Known capabilities_ = Known::No;
    bool markup_ = true;
    std::deque<Waiting> waiting_;
    std::set<std::uint32_t> sent_;  // Notify asked, no answer yet
    std::set<std::uint32_t> closeOnAnswer_;
    std::map<uint, std::uint32_t> fromDesktop_;
    std::map<std::uint32_t, uint> toDesktop_;
};

}  // namespace

void EnableDesktopNotifications() {
    SetNotificationService(std::make_unique<DBusNotifications>());
}

}  // namespace fw::qt

#include "QtNotifications.moc"
