// The program entry: hands the arguments to the run and reports its exit status.
#include <string>
#include <vector>

#include "driver/console_setup.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    norvane::ConsoleSetup setup; // restores the user's console settings when the run ends
    norvane::StreamConsole console(stdout, setup.utf8Boxes());
    return norvane::runCompiler(args, console, stdin);
}
