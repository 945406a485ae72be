// Replacing a file whole: links, refusals before anything is produced, failures that keep the
// old file, leftover temporaries, long names and the mode of a new file.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <set>

#include <sys/resource.h>
#include <sys/stat.h>

#include "output/atomic_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> temporariesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().string().find(".norvane-tmp") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

// Writes `text` to `path`, counting how often the content was asked for.
AtomicWriteResult write(const fs::path& path, const std::string& text, int& produced) {
    return writeFileAtomically(path.string(), [&] {
        ++produced;
        return text;
    });
}

TEST(AtomicFile, WritesThroughALinkAndKeepsTheLink) {
    TempDir dir("atomic-link");
    fs::create_directory(dir / "real");
    writeBytes(dir / "real" / "t.bsp", {'o', 'l', 'd'});
    fs::create_symlink("real/t.bsp", dir / "t.bsp");
    int produced = 0;
    EXPECT_EQ(write(dir / "t.bsp", "new", produced), AtomicWriteResult::Written);
    EXPECT_TRUE(fs::is_symlink(dir / "t.bsp"));
    EXPECT_EQ(readText(dir / "real" / "t.bsp"), "new");
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
    EXPECT_TRUE(temporariesIn(dir / "real").empty());
}

TEST(AtomicFile, RefusalsComeBeforeAnythingIsProduced) {
    TempDir dir("atomic-refuse");
    int produced = 0;
    writeBytes(dir / "locked.bsp", {'o', 'l', 'd'});
    fs::permissions(dir / "locked.bsp", fs::perms::owner_read);
    EXPECT_EQ(write(dir / "locked.bsp", "new", produced), AtomicWriteResult::CannotCreate);
    EXPECT_EQ(readText(dir / "locked.bsp"), "old");

    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(write(dir / "ro" / "t.bsp", "new", produced), AtomicWriteResult::CannotCreate);
    fs::permissions(dir / "ro", fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(dir / "ro"));

    EXPECT_EQ(write(dir / "missing" / "t.bsp", "new", produced), AtomicWriteResult::CannotCreate);
    EXPECT_EQ(produced, 0);
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST(AtomicFile, AFailedWriteRemovesItsTemporaryAndKeepsTheOldFile) {
    TempDir dir("atomic-fail");
    writeBytes(dir / "t.bsp", std::vector<std::uint8_t>(300, 0xAB));
    // A file size limit makes the write fail part way, as a full disk would.
    rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int produced = 0;
    const AtomicWriteResult result = write(dir / "t.bsp", std::string(100000, 'n'), produced);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, AtomicWriteResult::CannotWrite);
    EXPECT_EQ(produced, 1);
    EXPECT_EQ(readBytes(dir / "t.bsp"), std::vector<std::uint8_t>(300, 0xAB));
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST(AtomicFile, BytesMadeBesideAReportAreWrittenWholeOrNotAtAll) {
    TempDir dir("atomic-beside");
    int reports = 0;
    const auto report = [&] { ++reports; };
    EXPECT_EQ(writeFileAtomically((dir / "t.bsp").string(), [] { return std::string(100000, 'n'); }, report),
              AtomicWriteResult::Written);
    EXPECT_EQ(readText(dir / "t.bsp"), std::string(100000, 'n'));
    EXPECT_EQ(reports, 1);

    // Refused before anything is made or reported.
    fs::permissions(dir / "t.bsp", fs::perms::owner_read);
    EXPECT_EQ(writeFileAtomically((dir / "t.bsp").string(), [] { return std::string("new"); }, report),
              AtomicWriteResult::CannotCreate);
    EXPECT_EQ(reports, 1);
    fs::permissions(dir / "t.bsp", fs::perms::owner_all);

    // A producer that throws (out of memory, say), beside a report or not: the exception reaches
    // the caller once the report is done, the old file stays and no temporary is left.
    for (const bool beside : {true, false}) {
        reports = 0;
        EXPECT_THROW(writeFileAtomically(
                         (dir / "t.bsp").string(), []() -> std::string { throw std::bad_alloc(); },
                         beside ? std::function<void()>(report) : std::function<void()>()),
                     std::bad_alloc);
        EXPECT_EQ(reports, beside ? 1 : 0);
        EXPECT_EQ(readText(dir / "t.bsp"), std::string(100000, 'n'));
        EXPECT_TRUE(temporariesIn(dir.path()).empty());
    }
}

TEST(AtomicFile, LeftoverTemporariesAreNeitherReusedNorFollowed) {
    TempDir dir("atomic-leftover");
    // A temporary of the old fixed name, planted as a link to a file that must not change.
    writeBytes(dir / "victim", {'k', 'e', 'e', 'p'});
    fs::create_symlink("victim", dir / "t.bsp.norvane-tmp");
    int produced = 0;
    EXPECT_EQ(write(dir / "t.bsp", "new", produced), AtomicWriteResult::Written);
    EXPECT_EQ(readText(dir / "victim"), "keep");
    EXPECT_TRUE(fs::is_symlink(dir / "t.bsp.norvane-tmp"));
    EXPECT_EQ(readText(dir / "t.bsp"), "new");

    // Every name is fresh and keeps the target's name in front, the temporary's mark behind.
    std::set<std::string> names;
    const std::regex form(R"(.*/t\.bsp\.[a-z0-9]{8}\.norvane-tmp)");
    for (int i = 0; i < 10000; ++i) {
        const std::string name = temporaryNameFor((dir / "t.bsp").string());
        EXPECT_TRUE(std::regex_match(name, form)) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 10000u);
}

TEST(AtomicFile, ALongNameStillGetsATemporaryBesideIt) {
    // A name of 250 bytes is allowed, but not with a suffix of 12 more.
    TempDir dir("atomic-long");
    const fs::path target = dir / (std::string(246, 'n') + ".bsp");
    int produced = 0;
    EXPECT_EQ(write(target, "new", produced), AtomicWriteResult::Written);
    EXPECT_EQ(readText(target), "new");
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST(AtomicFile, ANewFileGetsTheModeOfAnyNewFile) {
    TempDir dir("atomic-mode");
    const mode_t previous = umask(022);
    int produced = 0;
    EXPECT_EQ(write(dir / "t.bsp", "new", produced), AtomicWriteResult::Written);
    umask(previous);
    struct stat status;
    ASSERT_EQ(stat((dir / "t.bsp").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST(AtomicFile, SameFileThroughLinksOfBothKinds) {
    TempDir dir("atomic-same");
    writeBytes(dir / "scene.3ds", {1});
    writeBytes(dir / "other.3ds", {1});
    fs::create_hard_link(dir / "scene.3ds", dir / "hard.bsp");
    fs::create_symlink("scene.3ds", dir / "soft.bsp");
    const auto same = [&](const char* a, const char* b) { return isSameFile((dir / a).string(), (dir / b).string()); };
    EXPECT_TRUE(same("hard.bsp", "scene.3ds"));
    EXPECT_TRUE(same("soft.bsp", "scene.3ds"));
    EXPECT_FALSE(same("other.3ds", "scene.3ds"));
    EXPECT_FALSE(same("missing.bsp", "scene.3ds"));
}

} // namespace
} // namespace norvane::test
