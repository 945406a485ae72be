// The program entry: hands the arguments to the run and reports its exit status.
#include <memory>
#include <string>
#include <vector>

#include "console/terminal.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    const std::unique_ptr<norvane::Console> console = norvane::openStandardConsole();
    return norvane::runCompiler(args, *console, stdin);
}
