// The main window's controls: built, named (tests find them by these names) and placed as
// designed; the window places the movable ones again on every resize.
#pragma once

#include <array>
#include <string>

#include "core/workflow/MainWindowLayout.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QStatusBar;
class QToolBar;
class QTreeView;
class QWidget;

namespace kyq {

class KyqApp;
class PasswordTreeModel;

class MainWindowControls {
public:
    void Build(QMainWindow& window, KyqApp& app);
    // The toolbar across the client area, the find panel, the tree and the details panel
    // where the layout rules put them for that outer width.
    void PlaceMovable(const MainWindowLayout& layout, int outerWidthPx);
    // Title, user name, password and date, each box showing the start of its text.
    void ShowDetails(const std::array<std::u16string, 4>& texts);
    // The find label: red and underlined while the pointer is over it, blue otherwise.
    void SetFindLook(bool hover);

    QWidget* Client = nullptr;  // the client area below the menu bar
    QToolBar* Toolbar = nullptr;
    std::array<QAction*, 8> ToolbarButtons{};
    QFrame* Frame2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtKey = nullptr;
    QLabel* lblFind = nullptr;
    QTreeView* TV1 = nullptr;
    PasswordTreeModel* TreeModel = nullptr;
    QFrame* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtName = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPass = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtDate = nullptr;
    std::array<QFrame*, 4> Line{};
    QStatusBar* Status = nullptr;
    std::array<QLabel*, 3> StatusPanels{};

private:
    void BuildControls(QMainWindow& window, KyqApp& app);
    void BuildToolbar();
    void PlaceFixedControls();
};

}  // namespace kyq
