#include "platform/qt/PortalRequest.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <atomic>

#include "platform/Log.h"

namespace kyq {

namespace {
constexpr const char* RequestInterface = "org.freedesktop.portal.Request";
}

QString PortalRequest::NewToken()
{
    static std::atomic<unsigned> next{0};
    return QStringLiteral("kyq%1").arg(++next);
}

QString PortalRequest::ObjectPath(const QDBusConnection& bus, const QString& kind,
                                  const QString& token)
{
    // ":1.42" becomes "1_42", as the portal spells the caller in its paths.
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/%2/%3/%4")
        .arg(QLatin1String(DesktopPath), kind, sender, token);
}

PortalRequest::PortalRequest(const QDBusConnection& bus, QString what, Done done)
    : bus_(bus), what_(std::move(what)), done_(std::move(done))
{
}

bool PortalRequest::Watch(const QString& path)
{
    path_ = path;
    return bus_.connect(QString::fromLatin1(Service), path, QString::fromLatin1(RequestInterface),
                        QStringLiteral("Response"), this,
                        SLOT(OnResponse(uint, QVariantMap)));
}

void PortalRequest::Unwatch()
{
    if (path_.isEmpty())
        return;
    bus_.disconnect(QString::fromLatin1(Service), path_, QString::fromLatin1(RequestInterface),
                    QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
    path_.clear();
}

void PortalRequest::Send(const QDBusConnection& bus, QDBusMessage call, const QString& what,
                         QObject* context, Done done)
{
    auto* request = new PortalRequest(bus, what, std::move(done));
    // Gone at once with whatever it reports to, so that a late answer finds no one.
    request->setParent(context);

    const QString token = NewToken();
    QList<QVariant> arguments = call.arguments();
    QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    call.setArguments(arguments);

    // Listening before the call: the answer may come before the call's reply is read.
    if (!request->Watch(ObjectPath(bus, QStringLiteral("request"), token))) {
        LogWarning(LogArea::Desktop, "portal " + what.toStdString() +
                                         ": cannot listen for the answer on the session bus: " +
                                         bus.lastError().message().toStdString());
        request->Finish(Ended, {});
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request,
                     [request, watcher] {
                         watcher->deleteLater();
                         const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                         if (reply.isError()) {
                             LogWarning(LogArea::Desktop,
                                        "portal " + request->what_.toStdString() + " failed: " +
                                            reply.error().name().toStdString() + ": " +
                                            reply.error().message().toStdString());
                             request->Finish(Ended, {});
                             return;
                         }
                         // Older portals choose the path themselves.
                         const QString path = reply.value().path();
                         if (path != request->path_) {
                             request->Unwatch();
                             request->Watch(path);
                         }
                     });
}

void PortalRequest::OnResponse(uint code, const QVariantMap& results)
{
    if (code != Success) {
        LogWarning(LogArea::Desktop, "portal " + what_.toStdString() +
                                         (code == Cancelled ? ": cancelled by the user"
                                                            : ": ended without a result") +
                                         " (response " + std::to_string(code) + ")");
    }
    Finish(code, results);
}

void PortalRequest::Finish(uint code, const QVariantMap& results)
{
    Unwatch();
    Done done = std::move(done_);
    done_ = nullptr;
    deleteLater();
    if (done)
        done(code, results);
}

QString PortalRequest::SessionHandle(const QVariantMap& results, const QString& expected)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    const QString session = handle.canConvert<QDBusObjectPath>()
                                ? handle.value<QDBusObjectPath>().path()
                                : handle.toString();
    return session.isEmpty() ? expected : session;
}

}  // namespace kyq
