#include "core/workflow/KyqApp.h"

#include "platform/Utf.h"

#include <stdexcept>
#include <utility>

namespace kyq {

KyqApp::KyqApp(std::string programFolder, const std::filesystem::path& registryFolder,
               std::unique_ptr<MessageService> messages)
    : Registry(registryFolder),
      ProgramFolder(std::move(programFolder)),
      messages_(std::move(messages)),
      platform_(std::make_unique<MainWindowPlatform>())
{
    if (!messages_)
        throw std::invalid_argument("KyqApp needs a message service");
}

KyqApp::~KyqApp() = default;

void KyqApp::PostEvent(AppEvent event) const
{
    if (postEvent_)
        postEvent_(std::move(event));
}

void KyqApp::HandleEventNow(const AppEvent& event) const
{
    if (handleEvent_)
        handleEvent_(event);
}

void KyqApp::SetEventReceiver(std::function<void(AppEvent)> post,
                              std::function<void(const AppEvent&)> handle)
{
    postEvent_ = std::move(post);
    handleEvent_ = std::move(handle);
}

MsgAnswer KyqApp::MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                         const std::u16string& title)
{
    Modal.Enter();
    const MsgAnswer answer = messages_->MsgBox(text, buttons, icon, title);
    Modal.Leave();
    return answer;
}

MsgAnswer KyqApp::MsgBoxWithDetails(const std::u16string& text, const std::u16string& details,
                                    MsgButtons buttons, MsgIcon icon, const std::u16string& title)
{
    Modal.Enter();
    const MsgAnswer answer = messages_->MsgBoxWithDetails(text, details, buttons, icon, title);
    Modal.Leave();
    return answer;
}

void KyqApp::SetPlatform(std::unique_ptr<MainWindowPlatform> platform)
{
    if (platform)
        platform_ = std::move(platform);
}

void KyqApp::LoadSettings()
{
    kyq::LoadSettings(Settings, Registry, ProgramFolder);
}

void KyqApp::SaveSettings()
{
    SettingsWritten(kyq::SaveSettings(Settings, Registry, ProgramFolder));
}

void KyqApp::SaveFillHistory()
{
    SettingsWritten(kyq::SaveFillHistory(History, Registry));
}

Expected<void> KyqApp::RememberFillMacro(const std::u16string& macro)
{
    History.Update(macro);
    return kyq::SaveFillHistory(History, Registry);
}

void KyqApp::SettingsWritten(const Expected<void>& written)
{
    if (written) {
        settingsFailureTold_ = false;
        return;
    }
    if (settingsFailureTold_)
        return;
    settingsFailureTold_ = true;
    MsgBox(Utf8ToUtf16(written.error().Message) +
               u"\r\n\r\n在问题解决之前，更改的设置和最近打开的文件在下次启动时不会保留。",
           MsgButtons::OkOnly, MsgIcon::Warning);
}

}  // namespace kyq
