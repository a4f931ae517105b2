// Form-level benchmarks on the offscreen platform, over a full document (32,767 records):
// OK in the password prompt until the tree shows every record, adding one record through
// the add dialog, and deleting one through the delete command. Prints each budget with the
// measured time.
//   KYQ_BENCH_ENFORCE=1 makes a missed budget the exit status 1.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/BudgetTable.h"
#include "bench/LargeDocument.h"
#include "core/document/DocumentFormat.h"
#include "core/workflow/KyqApp.h"
#include "gui/credentials/Asking.h"
#include "gui/credentials/CredentialForms.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/main/PasswordTreeModel.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/GuiResources.h"

namespace kyq::bench {
namespace {

// Answers every question Yes and every file dialog with the file it was given.
class BenchMessages final : public MessageService {
public:
    std::string File;
    std::u16string LastText;
    MsgAnswer MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon,
                     const std::u16string&) override
    {
        LastText = text;
        return buttons == MsgButtons::OkOnly ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return File; }
};

struct Fixture {
    std::filesystem::path folder;
    std::string file;
    BenchMessages* messages = nullptr;
    std::unique_ptr<KyqApp> app;
    std::unique_ptr<MainWindowRules> rules;
    std::unique_ptr<frmMain> main;

    Fixture()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("kyq-gui-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        file = (folder / "large.kyq").string();
        const FormatResult written = WriteDocument(MakeLargeDocument(), file);
        if (!written) {
            std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), written.error().Detail.c_str());
            std::exit(2);
        }
        auto service = std::make_unique<BenchMessages>();
        messages = service.get();
        messages->File = file;
        app = std::make_unique<KyqApp>((folder / "program").string() + "/", folder / "registry",
                                       std::move(service));
        main = std::make_unique<frmMain>(*app);
        rules = std::make_unique<MainWindowRules>(*app, *main);
        main->Attach(*rules);
        RegisterCredentialForms(*main, *rules);
        RegisterEntryForms(*main, *rules);
        main->Form_Load();
        main->resize(800, 600);
        main->show();
        QApplication::processEvents();
    }
    ~Fixture()
    {
        main->UnloadForms();
        Settle();
        main.reset();
        rules.reset();
        app.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Lets the window lay out and paint what changed, and deletes closed dialogs.
    void Settle()
    {
        QApplication::processEvents();
        main->findChild<QTreeView*>(QStringLiteral("TV1"))->viewport()->repaint();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The open command up to the password prompt (not timed).
    Asking* StartOpen()
    {
        rules->Workflow.fileOpen_Click();
        auto* prompt = qobject_cast<Asking*>(main->FindForm(QStringLiteral("Asking")));
        if (prompt)
            prompt->findChild<QLineEdit*>(QStringLiteral("txtPass"))->setText(QString::fromStdU16String(LargeDocumentPassword));
        return prompt;
    }

    void OpenLarge()
    {
        // Whatever an earlier benchmark left: no dialog, nothing to save over the file.
        main->UnloadForms();
        app->Document.Modified = false;
        if (Asking* prompt = StartOpen())
            prompt->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        Settle();
    }
};

// Made on first use, destroyed by main() while the QApplication still exists.
std::unique_ptr<Fixture>& SharedFixture()
{
    static std::unique_ptr<Fixture> fixture;
    return fixture;
}

Fixture& Shared()
{
    if (!SharedFixture())
        SharedFixture() = std::make_unique<Fixture>();
    return *SharedFixture();
}

void OpenToTree(benchmark::State& state)
{
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        Asking* prompt = f.StartOpen();
        if (!prompt) {
            state.SkipWithError("no password prompt");
            break;
        }
        auto* ok = prompt->findChild<QPushButton*>(QStringLiteral("Command1"));
        state.ResumeTiming();
        ok->click();
        f.Settle();
    }
    if (static_cast<PasswordTreeModel*>(f.main->findChild<QTreeView*>(QStringLiteral("TV1"))->model())->NodeCount() != LargeRecordCount + 1)
        state.SkipWithError("the tree does not show every record");
}
BENCHMARK(OpenToTree)->Name("open_ok_to_tree")->Unit(benchmark::kMillisecond)->MinTime(2.0);

void AddOne(benchmark::State& state)
{
    Fixture& f = Shared();
    f.OpenLarge();
    PasswordDocument& doc = f.app->Document;
    // Room for one more record.
    doc.RemoveEntryAt(doc.EntryCount() / 2);
    f.rules->Tree.RebuildTree();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.rules->Commands.passAdd_Click();
        auto* dialog = qobject_cast<AddPass*>(f.main->FindForm(QStringLiteral("AddPass")));
        if (!dialog) {
            state.SkipWithError("no add dialog");
            break;
        }
        const QString title = QStringLiteral("新增记录 Bench %1").arg(++n);
        dialog->findChild<QLineEdit*>(QStringLiteral("txtID"))->setText(title);
        dialog->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("bench用户"));
        dialog->findChild<QLineEdit*>(QStringLiteral("txtPass"))->setText(QStringLiteral("Pass#基准2024"));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OK"));
        state.ResumeTiming();
        ok->click();
        f.Settle();
        state.PauseTiming();
        if (doc.EntryCount() != LargeRecordCount) {
            std::fprintf(stderr, "last message: %s\n",
                         QString::fromStdU16String(f.messages->LastText).toUtf8().constData());
            state.SkipWithError("the record was not added");
            break;
        }
        // Take it out again for the next round.
        for (int i = 1; i <= doc.EntryCount(); ++i) {
            if (doc.Entries[static_cast<size_t>(i)].Title == title.toStdU16String()) {
                doc.RemoveEntryAt(i);
                break;
            }
        }
        f.rules->Tree.RebuildTree();
        f.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(AddOne)->Name("add_one_record")->Unit(benchmark::kMillisecond)->MinTime(2.0);

void DeleteOne(benchmark::State& state)
{
    Fixture& f = Shared();
    f.OpenLarge();
    PasswordDocument& doc = f.app->Document;
    for (auto _ : state) {
        state.PauseTiming();
        f.rules->Tree.SelectNode(doc.EntryCount() / 3 + 1);
        state.ResumeTiming();
        f.rules->Commands.passDel_Click();
        f.Settle();
        state.PauseTiming();
        if (doc.EntryCount() != LargeRecordCount - 1) {
            state.SkipWithError("the record was not deleted");
            break;
        }
        f.rules->Commands.passUndo_Click();
        f.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteOne)->Name("delete_one_record")->Unit(benchmark::kMillisecond)->MinTime(2.0);


}  // namespace
}  // namespace kyq::bench

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qtApp(argc, argv);
    kyq::InitGuiResources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    kyq::bench::BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const bool held = kyq::bench::PrintBudgets(reporter, {{"open_ok_to_tree", 150}, {"add_one_record", 30}, {"delete_one_record", 30}});
    kyq::bench::NoteMachineLoad();
    kyq::bench::SharedFixture().reset();
    benchmark::Shutdown();
    return kyq::bench::BudgetExitStatus(held);
}
