// kyq_gnome_keys: the test's keyboard on GNOME's compositor, through mutter's own remote
// desktop service on the session bus (it asks no one). The remote session lives as long as
// this program's bus connection, so one program serves the whole run.
//
// Usage:  kyq_gnome_keys COMMAND_FIFO ACK_FILE
//
// The same commands as kyq_kde_keys: "type TEXT" (ASCII; tab, carriage return and escape
// are Tab, Return and Escape) and "press KEY..." (Ctrl, Alt, Shift, Down or one character,
// held together). After each line appends "ok" or "failed" and a newline to ACK_FILE.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char Service[] = "org.gnome.Mutter.RemoteDesktop";
constexpr char SessionInterface[] = "org.gnome.Mutter.RemoteDesktop.Session";

std::optional<unsigned> KeysymFor(char c)
{
    switch (c) {
    case '\t': return 0xff09u;
    case '\r': return 0xff0du;
    case '\x1b': return 0xff1bu;
    default: break;
    }
    // Latin-1 keysyms are the characters' own codes.
    if (c >= 0x20 && c < 0x7f)
        return static_cast<unsigned>(c);
    return std::nullopt;
}

std::optional<unsigned> NamedKeysym(const QString& name)
{
    if (name == QLatin1String("Ctrl")) return 0xffe3u;
    if (name == QLatin1String("Alt")) return 0xffe9u;
    if (name == QLatin1String("Shift")) return 0xffe1u;
    if (name == QLatin1String("Down")) return 0xff54u;
    if (name.size() == 1)
        return KeysymFor(name.at(0).toLatin1());
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kyq_gnome_keys COMMAND_FIFO ACK_FILE\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage created = bus.call(QDBusMessage::createMethodCall(
        QString::fromLatin1(Service), QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
        QString::fromLatin1(Service), QStringLiteral("CreateSession")));
    if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty()) {
        std::fprintf(stderr, "kyq_gnome_keys: no remote desktop session: %s\n",
                     qPrintable(created.errorMessage()));
        return 1;
    }
    const QString session = created.arguments().first().value<QDBusObjectPath>().path();
    const auto call = [&](const char* method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(Service), session, QString::fromLatin1(SessionInterface),
            QString::fromLatin1(method));
        message.setArguments(arguments);
        const QDBusMessage reply = bus.call(message);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            std::fprintf(stderr, "kyq_gnome_keys: %s: %s\n", method, qPrintable(reply.errorMessage()));
            return false;
        }
        return true;
    };
    const auto send = [&](unsigned keysym, bool pressed) {
        return call("NotifyKeyboardKeysym", {QVariant::fromValue(keysym), QVariant(pressed)});
    };
    if (!call("Start", {}))
        return 1;
    // The seat gets its keyboard with the session, and the first key after that is lost.
    send(0xffe1u, true);
    send(0xffe1u, false);

    std::ifstream commands(argv[1]);
    std::string line;
    while (std::getline(commands, line)) {
        bool ok = true;
        if (line.rfind("type ", 0) == 0) {
            for (const char c : line.substr(5)) {
                const auto keysym = KeysymFor(c);
                ok = keysym && send(*keysym, true) && send(*keysym, false) && ok;
            }
        } else if (line.rfind("press ", 0) == 0) {
            std::vector<unsigned> held;
            for (const QString& name :
                 QString::fromStdString(line.substr(6)).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const auto keysym = NamedKeysym(name);
                if (keysym && send(*keysym, true))
                    held.push_back(*keysym);
                else
                    ok = false;
            }
            for (auto it = held.rbegin(); it != held.rend(); ++it)
                ok = send(*it, false) && ok;
        } else {
            ok = false;
        }
        std::ofstream(argv[2], std::ios::app) << (ok ? "ok\n" : "failed\n");
    }
    call("Stop", {});
    return 0;
}
