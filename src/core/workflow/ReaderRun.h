// Marks a document reader or a key derivation at work for as long as it runs: it lets
// events through so the window keeps painting, and what those events ask for waits until
// the outermost run ends (MainWindowPresenter holds it). The one writer of ReaderRunning.
#pragma once

#include "core/workflow/KyqApp.h"

namespace kyq {

class ReaderRun {
public:
    explicit ReaderRun(KyqApp::SessionState& session)
        : session_(session), outer_(session.ReaderRunning)
    {
        session_.ReaderRunning = true;
    }
    ~ReaderRun() { session_.ReaderRunning = outer_; }
    ReaderRun(const ReaderRun&) = delete;
    ReaderRun& operator=(const ReaderRun&) = delete;

    // No other run was under way when this one began: whoever started it releases what
    // was held once it has ended.
    bool Outermost() const { return !outer_; }

private:
    KyqApp::SessionState& session_;
    const bool outer_;
};

}  // namespace kyq
