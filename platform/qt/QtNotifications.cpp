#include "platform/qt/QtNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <map>

#include "platform/Notifications.h"
#include "platform/core/Text.h"

namespace fw::qt {
namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
// The action a click on the note's body invokes.
const char* const kDefaultAction = "default";
constexpr int kCallTimeoutMs = 5000;

QString FromGbk(const std::string& gbk) {
    return QString::fromStdString(vq::GbkToUtf8(gbk));
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
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
        call << QStringLiteral("Velquor") << 0u << QString() << FromGbk(note.title)
             << FromGbk(note.body)
             << QStringList{QString::fromLatin1(kDefaultAction), FromGbk(vq::Gbk("打开"))}
             << QVariantMap{} << -1;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, id](QDBusPendingCallWatcher* w) {
                    QDBusPendingReply<uint> reply = *w;
                    // No service on the bus answers with an error: the note is not seen.
                    if (reply.isValid()) {
                        fromDesktop_[reply.value()] = id;
                        toDesktop_[id] = reply.value();
                    }
                    w->deleteLater();
                });
        return true;
    }

    void Close(std::uint32_t id) override {
        auto it = toDesktop_.find(id);
        if (it == toDesktop_.end()) {
            return;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, "CloseNotification");
        call << it->second;
        QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs);
        fromDesktop_.erase(it->second);
        toDesktop_.erase(it);
    }

private slots:
    void OnActionInvoked(uint desktopId, const QString& action) {
        auto it = fromDesktop_.find(desktopId);
        if (it != fromDesktop_.end() && action == QLatin1String(kDefaultAction)) {
            NotificationClicked(it->second);
        }
    }
    void OnClosed(uint desktopId, uint reason) {
        (void)reason;
        auto it = fromDesktop_.find(desktopId);
        if (it == fromDesktop_.end()) {
            return;
        }
        NotificationDismissed(it->second);
        toDesktop_.erase(it->second);
        fromDesktop_.erase(it);
    }

private:
    bool listening_ = false;
    std::map<uint, std::uint32_t> fromDesktop_;
    std::map<std::uint32_t, uint> toDesktop_;
};

}  // namespace

void EnableDesktopNotifications() {
    SetNotificationService(std::make_unique<DBusNotifications>());
}

}  // namespace fw::qt

#include "QtNotifications.moc"
