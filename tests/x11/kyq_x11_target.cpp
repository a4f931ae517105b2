// kyq_x11_target: a small login window that X11 tests type into (typing and auto-fill).
//
// Usage:  kyq_x11_target OUTPUT_FILE [EVENTS_FILE]
//
// Shows a window titled "kyq-x11-target" with two line edits, objectName "user" (it has
// the focus) and "password" (password echo); Tab moves between them. Enter in either one
// writes exactly what they hold, UTF-8, as "<user>\n<password>\n" to OUTPUT_FILE (written
// beside it and renamed over it, so a reader never sees half a file), then empties both
// and puts the focus back on "user" for the next round.
// Once the window is shown and active it prints "ready <X window id, decimal>" and a
// newline on stdout. Runs until closed or killed. Needs the xcb platform (QT_QPA_PLATFORM).
// On a desktop that tells a test no more than a client sees, EVENTS_FILE gets a line
// "focus in" or "focus out" when the window gains or loses the keyboard, and "edited"
// whenever a key changes a field: what a test needs to tell "nothing arrived" from "not
// yet".
#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kyq_x11_target OUTPUT_FILE [EVENTS_FILE]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const std::string events = argc == 3 ? argv[2] : "";
    const auto event = [&](const char* what) {
        if (!events.empty())
            std::ofstream(events, std::ios::app) << what << '\n';
    };

    QWidget window;
    window.setWindowTitle(QStringLiteral("kyq-x11-target"));
    auto* user = new QLineEdit(&window);
    user->setObjectName(QStringLiteral("user"));
    auto* password = new QLineEdit(&window);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    auto* layout = new QFormLayout(&window);
    layout->addRow(QStringLiteral("user"), user);
    layout->addRow(QStringLiteral("password"), password);

    auto submit = [&] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write((user->text() + QLatin1Char('\n') + password->text() + QLatin1Char('\n')).toUtf8());
            file.commit();
        }
        user->clear();
        password->clear();
        user->setFocus();
    };
    QObject::connect(user, &QLineEdit::returnPressed, submit);
    QObject::connect(user, &QLineEdit::textEdited, [&] { event("edited"); });
    QObject::connect(password, &QLineEdit::textEdited, [&] { event("edited"); });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, [&](Qt::ApplicationState state) {
        event(state == Qt::ApplicationActive ? "focus in" : "focus out");
    });
    QObject::connect(password, &QLineEdit::returnPressed, submit);

    window.resize(400, 120);
    window.show();
    window.activateWindow();
    user->setFocus();

    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!window.isActiveWindow() || !user->hasFocus()) {
            window.activateWindow();
            return;
        }
        ready.stop();
        std::printf("ready %llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    });
    ready.start(20);
    return app.exec();
}
