// Recovery copies between sessions: a session that ends normally leaves nothing, a live
// session's copies are never offered to another, a session that dies (here: a child process
// killed outright) leaves copies the next one is offered, restores and adopts; a write that
// began before its slot was discarded does not bring the copy back.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "../common/temp_dir.h"
#include "drawing/create.h"
#include "drawing/document.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/host_services.h"
#include "host/recovery.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

size_t files_in(const fs::path& dir, const std::string& ext) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ext;
    return n;
}

std::string sample_text() {
    drawing::Document doc = drawing::Document::create();
    drawing::add_line(doc, {0, 0, 0}, {10, 10, 0}, "界址线");
    return doc.to_dxf();
}

}  // namespace

TEST(Recovery, CopiesOfLiveAndNormallyEndedSessionsAreNotOffered) {
    test::TempDir tmp;
    const fs::path folder = tmp / "autosave";
    {
        host::RecoveryStore a(folder);
        ASSERT_TRUE(a.write(1, a.epoch(1), "/d/村.dxf", "村.dxf", sample_text()));
        ASSERT_TRUE(a.write(2, a.epoch(2), "", "Drawing1.dxf", sample_text()));
        host::RecoveryStore b(folder);
        EXPECT_TRUE(b.left_by_crashes().empty()) << "a is alive";
        // A write that began before the drawing was saved must not bring its copy back.
        uint64_t stale = a.epoch(2);
        a.discard(2);
        EXPECT_FALSE(a.write(2, stale, "", "Drawing1.dxf", sample_text()));
        EXPECT_EQ(files_in(folder, ".dxf"), 1u);
        EXPECT_EQ(files_in(folder, ".part"), 0u);
    }
    EXPECT_EQ(files_in(folder, ".dxf") + files_in(folder, ".info") + files_in(folder, ".lock"), 0u);
}

TEST(Recovery, KilledSessionLeavesCopiesThatAreRestoredAndAdopted) {
    test::TempDir tmp;
    const fs::path folder = tmp / "autosave";
    const std::string text = sample_text();
    pid_t pid = ::fork();
    if (pid == 0) {
        host::RecoveryStore dying(folder);
        bool ok = dying.write(7, 0, "/地籍/上围村.dxf", "上围村.dxf", text) &&
                  dying.write(8, 0, "", "Drawing2.dxf", text);
        ::kill(::getpid(), ok ? SIGKILL : SIGTERM);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    host::RecoveryStore next(folder);
    auto copies = next.left_by_crashes();
    ASSERT_EQ(copies.size(), 2u);
    const host::RecoveryCopy* named = nullptr;
    for (const auto& c : copies)
        if (c.name == "上围村.dxf") named = &c;
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->original, "/地籍/上围村.dxf");
    EXPECT_EQ(named->saved_at.size(), 19u) << named->saved_at;

    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host(input, transcript);
    // Restored as modified under its own path, and adopted so that no other session is offered
    // it: the GUI's Recovery.SigkillMidEditsThenRestore. Here the copy's text, exactly.
    EXPECT_EQ(host::restore_copy(host, *named).doc().to_dxf(), text);
    next.adopt(*named, 1);
    // The other copy is declined; the dead session's lock file goes with its last copy.
    for (const auto& c : copies)
        if (&c != named) host::RecoveryStore::remove(c);
    EXPECT_EQ(files_in(folder, ".dxf"), 1u);
    EXPECT_EQ(files_in(folder, ".lock"), 1u) << "only the live session's";
}
