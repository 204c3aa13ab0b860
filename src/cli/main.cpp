#include "cli/CliApp.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
    return tarvo::cli::runCli(arguments, std::cout, std::cerr);
}
