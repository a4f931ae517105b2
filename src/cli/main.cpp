// kyq-cli: inspect, export and import Keyquill documents from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/ImportBuilder.h"
#include "cli/PasswordInput.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const kyq::cli::CliContext context{std::cout, std::cerr, kyq::cli::ReadDocumentPassword,
                                       kyq::cli::LocalToday};
    return kyq::cli::RunCli(args, context);
}
