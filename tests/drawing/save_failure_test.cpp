// Saves that cannot complete — a full disk, a read-only folder, a file another program holds
// locked, a target that cannot be replaced — fail with the file's name and the reason, and
// leave the previous file and its .bak exactly as they were. The full disk and the read-only
// folder are real: a small tmpfs in a mount namespace of a child process (skipped where the
// system allows no namespaces).
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "../common/temp_dir.h"
#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/piece_writer.h"
#include "drawing/save_report.h"

using namespace korvane::drawing;
namespace fs = std::filesystem;

namespace {

std::string bytes_of(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

Document drawing_with_lines(int n) {
    Document doc = Document::create();
    for (int i = 0; i < n; ++i) add_line(doc, {double(i), 0, 0}, {double(i), 10, 0}, "边界");
    return doc;
}

// The folder holds a.dxf saved twice (so a.dxf.bak exists); returns the two files' bytes.
std::pair<std::string, std::string> previous_saves(const fs::path& dir) {
    Document doc = drawing_with_lines(3);
    doc.save((dir / "a.dxf").string());
    add_line(doc, {0, 0, 0}, {5, 5, 0});
    doc.save((dir / "a.dxf").string());
    return {bytes_of(dir / "a.dxf"), bytes_of(dir / "a.dxf.bak")};
}

// Tries to save a larger drawing over a.dxf; returns what the save threw ("" when it did not).
std::string failed_save(const fs::path& dir) {
    Document doc = drawing_with_lines(2000);
    try {
        doc.save((dir / "a.dxf").string());
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

// Runs `body` in a child process whose own mount namespace has a 256 KiB tmpfs on `dir`.
// The body returns "" when all is well, else what went wrong. 77: no namespaces here.
int in_small_filesystem(const fs::path& dir, const std::function<std::string()>& body, std::string& problem) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe_fds[0]);
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=256k") != 0)
            ::_exit(77);
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = std::string("unexpected exception: ") + e.what();
        }
        if (::write(pipe_fds[1], result.data(), result.size()) < 0) ::_exit(2);
        ::_exit(result.empty() ? 0 : 1);
    }
    ::close(pipe_fds[1]);
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], buf, sizeof buf)) > 0) problem.append(buf, size_t(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string expect_untouched(const fs::path& dir, const std::pair<std::string, std::string>& before,
                             const std::string& error, const std::string& reason,
                             const std::set<std::string>& others = {}) {
    std::string file = (dir / "a.dxf").string();
    if (error.find(file) == std::string::npos || error.find(reason) == std::string::npos)
        return "the message \"" + error + "\" should name " + file + " and say \"" + reason + "\"";
    if (bytes_of(dir / "a.dxf") != before.first) return "a.dxf changed";
    if (bytes_of(dir / "a.dxf.bak") != before.second) return "a.dxf.bak changed";
    std::set<std::string> want = others;
    want.insert({"a.dxf", "a.dxf.bak"});
    if (names_in(dir) != want) return "temporary files were left behind";
    return "";
}

}  // namespace

TEST(SaveFailure, FullDiskAndReadOnlyFolderLeaveFileAndBak) {
    korvane::test::TempDir tmp;
    const fs::path dir = tmp.path();
    std::string problem;
    int status = in_small_filesystem(dir, [&]() -> std::string {
        auto before = previous_saves(dir);
        {
            // Fill what is left of the disk.
            std::ofstream filler(dir / "filler", std::ios::binary);
            std::string block(4096, 'x');
            while (filler.write(block.data(), std::streamsize(block.size()))) {}
        }
        std::string error = failed_save(dir);
        if (auto p = expect_untouched(dir, before, error, "No space left on device", {"filler"}); !p.empty())
            return "full disk: " + p;
        fs::remove(dir / "filler");
        if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return "cannot remount";
        error = failed_save(dir);
        if (auto p = expect_untouched(dir, before, error, "Read-only file system"); !p.empty())
            return "read-only folder: " + p;
        return "";
    }, problem);
    if (status == 77) GTEST_SKIP() << "no mount namespaces on this system";
    EXPECT_EQ(status, 0) << problem;
}

TEST(SaveFailure, FileLockedByAnotherProgramIsNotReplaced) {
    korvane::test::TempDir tmp;
    auto before = previous_saves(tmp.path());
    const std::string file = (tmp / "a.dxf").string();
    // Another process holds the drawing: an flock in one round, a POSIX write lock in the other.
    for (int kind = 0; kind < 2; ++kind) {
        int ready[2], done[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(done), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(file.c_str(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            bool ok = kind == 0 ? ::flock(fd, LOCK_EX) == 0 : ::fcntl(fd, F_SETLK, &lock) == 0;
            char c = ok ? '1' : '0';
            if (::write(ready[1], &c, 1) != 1) ::_exit(2);
            if (::read(done[0], &c, 1) < 0) ::_exit(2);  // holds the lock until told
            ::_exit(0);
        }
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ASSERT_EQ(c, '1');
        std::string error = failed_save(tmp.path());
        EXPECT_EQ(expect_untouched(tmp.path(), before, error, "正被其他程序使用"), "") << "lock kind " << kind;
        ASSERT_EQ(::write(done[1], "x", 1), 1);
        ::waitpid(pid, nullptr, 0);
        for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
    }
    // Once the other program has let go, the save goes through and the old file becomes the .bak.
    EXPECT_EQ(failed_save(tmp.path()), "");
    EXPECT_EQ(bytes_of(tmp / "a.dxf.bak"), before.first);
}

TEST(SaveFailure, TargetThatCannotBeReplacedKeepsTheBak) {
    // "a.dxf" is a folder another program made: the rename fails at the very end.
    korvane::test::TempDir tmp;
    fs::create_directories(tmp / "a.dxf" / "inside");
    std::ofstream(tmp / "a.dxf.bak") << "the old backup";
    std::string error = failed_save(tmp.path());
    EXPECT_NE(error.find((tmp / "a.dxf").string()), std::string::npos) << error;
    EXPECT_EQ(bytes_of(tmp / "a.dxf.bak"), "the old backup");
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.dxf", "a.dxf.bak"}));
}

TEST(SaveFailure, BakThatCannotBeKeptIsReported) {
    // "a.dxf.bak" is a folder another program made: the drawing is saved and the save says
    // that the previous version was not kept.
    korvane::test::TempDir tmp;
    Document doc = drawing_with_lines(3);
    EXPECT_EQ(save_drawing(doc, (tmp / "a.dxf").string()).backup_problem, "") << "nothing to keep the first time";
    fs::create_directories(tmp / "a.dxf.bak" / "inside");
    add_line(doc, {0, 0, 0}, {5, 5, 0});
    SaveReport report = save_drawing(doc, (tmp / "a.dxf").string());
    EXPECT_EQ(report.backup_problem.find((tmp / "a.dxf.bak").string() + ": 无法替换备份："), 0u)
        << report.backup_problem;
    EXPECT_EQ(bytes_of(tmp / "a.dxf"), doc.to_dxf());
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.dxf", "a.dxf.bak"}));
}

TEST(PieceWriter, SlicesGiveTheSameTextAsOneWriteAndNoticeChanges) {
    Document doc = drawing_with_lines(500);
    DxfPieceWriter pieces(doc);
    size_t calls = 0;
    while (!pieces.write_some(7)) ++calls;
    EXPECT_GT(calls, 50u);
    EXPECT_EQ(pieces.take(), doc.to_dxf());

    DxfPieceWriter interrupted(doc);
    interrupted.write_some(10);
    EXPECT_EQ(interrupted.started_at(), fingerprint(doc));
    doc.begin_undo_step("line");
    add_line(doc, {0, 0, 0}, {1, 1, 0});
    doc.end_undo_step();
    EXPECT_NE(interrupted.started_at(), fingerprint(doc));
    ChangeFingerprint after_edit = fingerprint(doc);
    doc.undo();
    EXPECT_NE(after_edit, fingerprint(doc));
}
