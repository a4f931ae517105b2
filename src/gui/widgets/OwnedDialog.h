// A dialog shown modeless over an owner window that stays disabled while the dialog is
// open; the owner is enabled and focused again when it closes. The title bar's close box
// and Esc do what the dialog's Cancel does.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

namespace kyq {

class KyqApp;

class OwnedDialog : public QDialog {
    Q_OBJECT
public:
    // formName becomes the object name: the shutdown and the tests find forms by it.
    // The dialog has no Qt parent (a child window would be disabled with its owner); it is
    // kept above the owner and deletes itself once unloaded.
    OwnedDialog(KyqApp& app, QWidget* owner, const QString& formName);
    ~OwnedDialog() override;

    KyqApp& App() const { return app_; }
    QWidget* Owner() const { return owner_; }
    bool IsUnloaded() const { return unloaded_; }

    // Disables the owner, shows the dialog over it with the focus and runs Form_Load.
    void ShowOverOwner();
    // Closes the dialog without its Cancel steps: Form_Unload, then the owner is enabled
    // and focused again.
    void Unload();

    // What Esc and the close box do.
    void reject() override;

    // Runs `action` now when none of the program's modal windows is open, else from the
    // event loop once the last one has closed (and none opened meanwhile). Nothing runs
    // when `context` is gone by then.
    static void WhenNoneOpen(KyqApp& app, QObject* context, std::function<void()> action);

protected:
    // For a dialog without an owner that must still hold back what arrives from outside
    // (hand-overs, drops) while it is open, as the owned ones do. Once per dialog.
    void HoldModalGate();

    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // The dialog's Cancel; by default it just unloads.
    virtual void OnCancel() { Unload(); }

private:
    void PlaceOverOwner();
    // The owner is disabled once per dialog over it and enabled only when the last one
    // has gone: closing one dialog must not free the window under another.
    void ReleaseOwner();

    KyqApp& app_;
    QPointer<QWidget> owner_;
    bool unloaded_ = false;
    bool holdsOwner_ = false;
    bool holdsGate_ = false;
};

}  // namespace kyq
