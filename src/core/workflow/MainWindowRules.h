// The rules behind the main window, one of each over the window's view: the file dialogs,
// the password tree, the password menu, the open/save/close workflow and the window's own
// rules. The application's assembly makes them once the window exists, and hands each
// form the ones it drives.
#pragma once

#include "core/workflow/CommonDialog.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/MainWindowPresenter.h"
#include "core/workflow/MainWindowView.h"
#include "core/workflow/PasswordTree.h"

namespace kyq {

class KyqApp;

struct MainWindowRules {
    MainWindowRules(KyqApp& app, MainWindowView& view)
        : Dialog(app),
          Tree(app, view),
          Commands(app, view, Tree),
          Workflow(app, view, Dialog, Tree, Commands),
          Presenter(app, view, Tree, Workflow, Commands)
    {
    }
    MainWindowRules(const MainWindowRules&) = delete;
    MainWindowRules& operator=(const MainWindowRules&) = delete;

    CommonDialog Dialog;
    PasswordTree Tree;
    EntryCommands Commands;
    DocumentWorkflow Workflow;
    MainWindowPresenter Presenter;
};

}  // namespace kyq
