// Runs a key derivation, which takes about half a second, on a thread of its own while the
// windows keep painting under a busy cursor. User input waits, and the program's own events are
// held back, so nothing acts on the document before the work is done.
#pragma once

#include <functional>

namespace kyq {

class KyqApp;

// releaseHeld: called after the work when messages were held for it.
void RunKeyWork(KyqApp& app, const std::function<void()>& work, const std::function<void()>& releaseHeld);

}  // namespace kyq
