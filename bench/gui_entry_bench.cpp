// Form-level benchmarks of the entry forms on the offscreen platform, over a full document
// (32,767 records): a search with about 300 matches from the click on "Go!" to the filled
// results list, and OK in the edit dialog for a title that moves the record (snapshot,
// re-order, tree rebuild and selection included). Prints each budget with the time.
//   KYQ_BENCH_ENFORCE=1 makes a missed budget the exit status 1.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QListWidget>
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
#include "core/workflow/KyqApp.h"
#include "gui/credentials/CredentialForms.h"
#include "gui/entries/EditPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/entries/FoundResult.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/GuiResources.h"

namespace kyq::bench {
namespace {

// Every box is answered OK or Yes; no file dialog is expected.
class BenchMessages final : public MessageService {
public:
    MsgAnswer MsgBox(const std::u16string&, MsgButtons buttons, MsgIcon,
                     const std::u16string&) override
    {
        return buttons == MsgButtons::OkOnly ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return {}; }
};

struct Fixture {
    std::filesystem::path folder;
    std::unique_ptr<KyqApp> app;
    std::unique_ptr<MainWindowRules> rules;
    std::unique_ptr<frmMain> main;

    Fixture()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("kyq-gui-entry-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        app = std::make_unique<KyqApp>((folder / "program").string() + "/", folder / "registry",
                                       std::make_unique<BenchMessages>());
        main = std::make_unique<frmMain>(*app);
        rules = std::make_unique<MainWindowRules>(*app, *main);
        main->Attach(*rules);
        RegisterCredentialForms(*main, *rules);
        RegisterEntryForms(*main, *rules);
        main->Form_Load();
        main->resize(800, 600);
        main->show();
        // The document as an open of the file leaves it: records and titles in title order.
        app->Document = MakeLargeDocument();
        app->Document.Path = PasswordDocument::NewDocumentPath;
        rules->Workflow.RefreshDocumentView();
        rules->Tree.RebuildTree();
        Settle();
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

    // Lets the windows lay out and paint what changed, and deletes closed dialogs.
    void Settle()
    {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

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

void FindToList(benchmark::State& state)
{
    Fixture& f = Shared();
    QLineEdit* key = f.main->findChild<QLineEdit*>(QStringLiteral("txtKey"));
    key->setText(QString::fromStdU16String(SearchKeyword));
    int lines = 0;
    for (auto _ : state) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(key, &enter);
        auto* results = qobject_cast<FoundResult*>(f.main->FindForm(QStringLiteral("FoundResult")));
        if (!results) {
            state.SkipWithError("no results dialog");
            break;
        }
        QApplication::processEvents();  // shown and painted
        lines = results->findChild<QListWidget*>(QStringLiteral("List1"))->count();
        state.PauseTiming();
        results->findChild<QPushButton*>(QStringLiteral("Cancel"))->click();
        f.Settle();
        state.ResumeTiming();
    }
    state.counters["matches"] = lines;
    if (lines < 200)
        state.SkipWithError("fewer matches than the workload promises");
}
BENCHMARK(FindToList)->Name("find_click_to_list")->Unit(benchmark::kMillisecond)->MinTime(2.0);

void EditOne(benchmark::State& state)
{
    Fixture& f = Shared();
    PasswordDocument& doc = f.app->Document;
    const int count = doc.EntryCount();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A record from the first third gets a title that sorts near the end.
        f.rules->Tree.SelectNode(count / 3 + 1);
        f.rules->Commands.passEdit_Click();
        auto* dialog = qobject_cast<EditPass*>(f.main->FindForm(QStringLiteral("EditPass")));
        if (!dialog) {
            state.SkipWithError("no edit dialog");
            break;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("txtID"))->setText(QStringLiteral("zz编辑 Bench %1").arg(++n));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Command1"));
        state.ResumeTiming();
        ok->click();
        f.Settle();
        state.PauseTiming();
        if (doc.EntryCount() != count || f.app->Session.SelectedIndex == count / 3) {
            state.SkipWithError("the record was not edited");
            break;
        }
        f.rules->Commands.passUndo_Click();  // back to the document as it was
        f.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(EditOne)->Name("edit_one_record")->Unit(benchmark::kMillisecond)->MinTime(2.0);


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

    const bool held = kyq::bench::PrintBudgets(reporter, {{"find_click_to_list", 30}, {"edit_one_record", 30}});
    kyq::bench::NoteMachineLoad();
    kyq::bench::SharedFixture().reset();
    benchmark::Shutdown();
    return kyq::bench::BudgetExitStatus(held);
}
