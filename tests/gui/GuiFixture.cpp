#include "gui/GuiFixture.h"

#include "gui/credentials/CredentialForms.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <cstdlib>

#include "core/document/DocumentFormat.h"
#include "gui/credentials/Asking.h"
#include "gui/credentials/NewOne.h"
#include "gui/main/PasswordTreeModel.h"

namespace kyq::test {

void GuiTest::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    const std::string registry = Folder() + "/registry";
    setenv("KYQ_REGISTRY_DIR", registry.c_str(), 1);
    auto messages = std::make_unique<ScriptedMessageService>();
    messages_ = messages.get();
    app_ = std::make_unique<KyqApp>(Folder() + "/program/", registry, std::move(messages));
    auto platform = std::make_unique<RecordingPlatform>();
    platform_ = platform.get();
    app_->SetPlatform(std::move(platform));
    // Expired-password reminders would add boxes to every open; tests that want them
    // switch them on.
    app_->Settings.Days = 0;
    main_ = std::make_unique<frmMain>(*app_);
    rules_ = std::make_unique<MainWindowRules>(*app_, *main_);
    main_->Attach(*rules_);
    RegisterCredentialForms(*main_, *rules_);
    main_->Form_Load();
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
}

void GuiTest::TearDown()
{
    if (main_)
        main_->UnloadForms();
    FlushDeletes();
    main_.reset();
    rules_.reset();
    app_.reset();
    unsetenv("KYQ_REGISTRY_DIR");
}

std::string GuiTest::MakeFile(const std::string& name, std::u16string owner,
                              std::u16string password, std::vector<PasswordEntry> entries)
{
    PasswordDocument doc;
    doc.OwnerName() = std::move(owner);
    doc.DocumentPassword() = std::move(password);
    for (PasswordEntry& e : entries)
        doc.AppendEntry(std::move(e));
    const std::string path = Folder() + "/" + name;
    const FormatResult result = WriteDocument(doc, path);
    EXPECT_TRUE(result) << result.error().Detail;
    return path;
}

void GuiTest::OpenDocument(const std::string& path, const std::u16string& password)
{
    messages_->Files.push_back(path);
    rules_->Workflow.fileOpen_Click();
    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);
    Type(prompt, "txtPass", password);
    Press(prompt, "Command1");
    FlushDeletes();
}

void GuiTest::OpenFourRecords()
{
    OpenDocument(MakeFile("a.kyq", u"ann", u"pw", FourRecords()), u"pw");
    messages_->Boxes.clear();
}

void GuiTest::NewDocument(const std::u16string& owner, const std::u16string& password)
{
    rules_->Workflow.fileNew_Click();
    NewOne* dialog = NewDialog();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, "UserName", owner);
    Type(dialog, "UserPass", password);
    Type(dialog, "PassConfirm", password);
    Press(dialog, "cmdOK");
    FlushDeletes();
}

Asking* GuiTest::Prompt() const
{
    return qobject_cast<Asking*>(main_->FindForm(QStringLiteral("Asking")));
}

NewOne* GuiTest::NewDialog() const
{
    return qobject_cast<NewOne*>(main_->FindForm(QStringLiteral("NewOne")));
}

void GuiTest::FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTreeView* GuiTest::TreeView() const
{
    return Control<QTreeView>("TV1");
}

PasswordTreeModel& GuiTest::TreeModel() const
{
    return *static_cast<PasswordTreeModel*>(TreeView()->model());
}

std::vector<std::u16string> GuiTest::TreeRows() const
{
    std::vector<std::u16string> rows;
    const PasswordTreeModel& model = TreeModel();
    for (int position = 2; position <= model.NodeCount(); ++position)
        rows.push_back(model.data(model.IndexAt(position), Qt::DisplayRole).toString().toStdU16String());
    return rows;
}

std::u16string GuiTest::RootText() const
{
    const PasswordTreeModel& model = TreeModel();
    return model.data(model.RootIndex(), Qt::DisplayRole).toString().toStdU16String();
}

void GuiTest::ClickNode(int position)
{
    const QModelIndex index = TreeModel().IndexAt(position);
    TreeView()->scrollTo(index);
    QTest::mouseClick(TreeView()->viewport(), Qt::LeftButton, {},
                      TreeView()->visualRect(index).center());
}

void GuiTest::DoubleClickNode(int position)
{
    const QModelIndex index = TreeModel().IndexAt(position);
    TreeView()->scrollTo(index);
    const QPoint at = TreeView()->visualRect(index).center();
    QTest::mouseClick(TreeView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(TreeView()->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace kyq::test
