// End to end on a real X server: a client message with the hook's atom, sent by another
// connection to the main window, arrives at the platform as a key event through the queue.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPlatform.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/GuiResources.h"
#include "gui/shell/X11HookEvents.h"
#include "platform/HookMessage.h"
#include "support/ScriptedMessageService.h"
#include "x11/XvfbServer.h"

#include <xcb/xcb.h>

namespace kyq::test {
namespace {

class Recorder final : public MainWindowPlatform {
public:
    std::vector<HookKeyEvent> Seen;
    void HookKey(const HookKeyEvent& key) override { Seen.push_back(key); }
};

// Sends from a connection of its own, as the hook library or another process would.
void SendClientMessage(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam,
                       const char* atomName = HookMessageAtomName)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(atomName)), atomName),
        nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom->atom;
    event.data.data32[HookSlotMessage] = message;
    event.data.data32[HookSlotWParam] = wParam;
    event.data.data32[HookSlotLParam] = lParam;
    std::free(atom);
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    // A round trip before closing: the server may drop requests it has not read yet when
    // their connection closes.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

TEST(X11HookEvents, HookClientMessagesReachThePlatformAsKeyEvents)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    KyqApp app(folder + "/program/", folder + "/registry",
               std::make_unique<ScriptedMessageService>());
    auto owned = std::make_unique<Recorder>();
    Recorder& recorder = *owned;
    app.SetPlatform(std::move(owned));
    frmMain main(app);
    MainWindowRules rules(app, main);
    main.Attach(rules);
    main.Form_Load();
    main.show();
    // Messages sent before the window is mapped and Qt has read its first events can be
    // dropped on a loaded machine; a user's key presses never come that early either.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main, 20000));
    const uint32_t atom = X11HookEvents::InternMessageAtom();
    ASSERT_NE(atom, 0u);
    X11HookEvents x11(app, [&main] { return static_cast<uint32_t>(main.winId()); }, atom);
    qApp->installNativeEventFilter(&x11);

    const auto window = static_cast<uint32_t>(main.winId());
    SendClientMessage(window, 1024, 80, 0xC0000001u);
    SendClientMessage(window, 1024, 81, 0, "SOME_OTHER_ATOM");  // not ours
    SendClientMessage(window, 1024, 82, 0);
    QElapsedTimer clock;
    clock.start();
    while (recorder.Seen.size() < 2 && clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    ASSERT_EQ(recorder.Seen.size(), 2u);
    EXPECT_EQ(recorder.Seen[0].Key, 80);
    EXPECT_TRUE(recorder.Seen[0].Released);
    EXPECT_EQ(recorder.Seen[1].Key, 82);
    EXPECT_FALSE(recorder.Seen[1].Released);
    qApp->removeNativeEventFilter(&x11);
}

}  // namespace
}  // namespace kyq::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    kyq::test::XvfbServer server;
    if (!server.Running()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("DISPLAY", server.DisplayName().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        kyq::InitGuiResources();
        result = RUN_ALL_TESTS();
    }
    return result;
}
