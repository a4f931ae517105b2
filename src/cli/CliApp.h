// kyq-cli's commands (info, export, import, convert) behind a testable entry point.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ImportTable.h"
#include "cli/PasswordInput.h"
#include "core/document/SealedKey.h"

namespace kyq::cli {

enum ExitStatus : int {
    ExitOk = 0,
    ExitFailure = 1,  // refused import, unreadable input, cannot write
    ExitUsage = 2,
    ExitDamaged = 3,  // the document is damaged or not a document
    ExitWrongPassword = 4,  // a sealed document does not open with the password, or was altered
};

struct CliContext {
    std::ostream& Out;
    std::ostream& Err;
    // Called with confirm = true by import (a terminal then asks twice).
    std::function<Expected<std::u16string>(bool confirm)> ReadPassword;
    std::function<ImportDate()> Today;
    // What a newly derived sealed key costs (tests lower it).
    KeyCost SealedKeyCost = DefaultKeyCost;
};

// args excludes the program name.
int RunCli(const std::vector<std::string>& args, const CliContext& context);

}  // namespace kyq::cli
