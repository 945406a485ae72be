// The executable as a user meets it: logo, exit status, the key wait, output beside the input.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace norvane::test {
namespace {

std::string compilerIn(const TempDir& dir, const std::string& args) {
    return "cd '" + dir.path().string() + "' && '" NORVANE_COMPILER_EXE "' " + args;
}

TEST(Executable, CompilesABoxIgnoringFurtherArgumentsAndExitsZero) {
    TempDir dir("exe-box");
    writeBytes(dir / "box.3ds", boxScene());
    const RunResult run = runCommand(compilerIn(dir, "box.3ds extra ignored </dev/null"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.console.find("Norvane BSP scene compiler v5.0"), std::string::npos);
    EXPECT_NE(run.console.find("Loading file box.3ds .. Done"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "box.bsp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "extra.bsp"));
}

TEST(Executable, FailuresExitOneAfterTheKeyWait) {
    TempDir dir("exe-fail");
    // The key wait reads one character: the second line stays in the pipe for `read`.
    const RunResult missing = runCommand(compilerIn(dir, "missing.3ds </dev/null"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.console.find("   Loading file missing.3ds .. \r   # ERROR : File not found / is damaged ! \n"),
              std::string::npos);
    const RunResult usage = runCommand("printf 'k' | '" NORVANE_COMPILER_EXE "'");
    EXPECT_EQ(usage.status, 1);
    EXPECT_NE(usage.console.find("\r   # ERROR : Ussage is Norvane.exe [filename] !\n \n"), std::string::npos);
}

TEST(Executable, PipedOutputKeepsCodePage437Bytes) {
    TempDir dir("exe-cp437");
    writeBytes(dir / "box.3ds", boxScene());
    const RunResult run = runCommand(compilerIn(dir, "box.3ds </dev/null"));
    EXPECT_NE(run.console.find("    \xCC\xCD Creating Vertex - list  \\"), std::string::npos);
    EXPECT_EQ(run.console.find("\xE2\x95"), std::string::npos);
}

TEST(Dump, SceneJsonAndUsage) {
    TempDir dir("dump-scene");
    writeBytes(dir / "box.3ds", boxScene());
    const ToolRun ok = runTool("'" NORVANE_DUMP_EXE "' scene " + quoted(dir / "box.3ds"));
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.err, "");
    EXPECT_NE(ok.out.find("\"materials\": [\"Crate\"]"), std::string::npos);
    // Load errors and usage: tests/tools/test_dump_command_line.cpp.
    EXPECT_EQ(runCommand("'" NORVANE_DUMP_EXE "' 2>/dev/null").status, 2);
    EXPECT_EQ(runCommand("'" NORVANE_DUMP_EXE "' scene 2>/dev/null").status, 2);
}

} // namespace
} // namespace norvane::test
