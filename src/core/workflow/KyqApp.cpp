#include "core/workflow/KyqApp.h"

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

void KyqApp::PostMessage(const WindowMessage& message) const
{
    if (poster_)
        poster_(message);
}

int32_t KyqApp::SendMessage(const WindowMessage& message) const
{
    return WindowMessages.Dispatch(message);
}

void KyqApp::SetMessagePoster(std::function<void(const WindowMessage&)> poster)
{
    poster_ = std::move(poster);
}

MsgAnswer KyqApp::MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                         const std::u16string& title)
{
    Modal.Enter();
    const MsgAnswer answer = messages_->MsgBox(text, buttons, icon, title);
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
    kyq::SaveSettings(Settings, Registry, ProgramFolder);
}

}  // namespace kyq
