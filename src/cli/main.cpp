#include "cli/CliApp.h"
#include "cli/Utf8Console.h"

#include <iostream>

int main(int argc, char** argv)
{
    tarvo::cli::Utf8Console console;
    std::vector<std::string> arguments(argv, argv + argc);
    return tarvo::cli::runCli(arguments, std::cout, std::cerr);
}
