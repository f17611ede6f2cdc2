// The autosave and the recovery after a crash, with a real kill: the test runs its own binary
// again as a child (the AutosaveChild test, which runs only when asked to) that opens a copy
// of the village, edits it, lets the autosave write copies and goes on editing until the
// test kills it with SIGKILL. The next start must offer the copy, and taking it must give
// back the drawing as of the last copy.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/recovery.h"
#include "ui/autosave.h"
#include "ui_fixture.h"

namespace fs = std::filesystem;

namespace korvane::ui::testing {

namespace {

constexpr const char* kChildFolder = "KORVANE_AUTOSAVE_CHILD_DIR";

std::unique_ptr<Application> start_app(const fs::path& dir, std::vector<std::string> drawings,
                                       const char* autosave_minutes = nullptr) {
    AppOptions o;
    o.drawings = std::move(drawings);
    o.fresh_settings = true;
    o.unattended = true;
    o.data_dir = dir / "data";
    o.output_dir = dir / "out";
    auto app = std::make_unique<Application>(o);
    if (autosave_minutes) common::save_ini(app->settings(), kAutosaveMinutesKey, autosave_minutes);
    app->start();
    return app;
}

bool wait_until(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

size_t entity_count(host::HostDocument& d) { return d.doc().modelspace().size(); }

void add_edit(Application& app, int i) {
    drawing::Document& d = app.host().active()->doc();
    d.begin_undo_step("line");
    drawing::add_line(d, {548000.0 + i, 2543000, 0}, {548000.0 + i, 2543010, 0}, "边界");
    d.end_undo_step();
    app.host().changed();
}

std::string bytes_of(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// The child's part. It reports on stdout: "autosaved N" with the entity count of the copy it
// made last, then "edited M" once it has edited past it; then it waits to be killed.
TEST(AutosaveChild, EditsUntilKilled) {
    const char* folder = std::getenv(kChildFolder);
    if (!folder) GTEST_SKIP() << "runs only as the child of Recovery.SigkillMidEditsThenRestore";
    fs::path dir(folder);
    // A short interval, so that the timer's own rounds run while the child edits.
    auto app = start_app(dir, {(dir / "village.dxf").string()}, "0.005");
    Autosave* autosave = app->autosave();
    ASSERT_NE(autosave, nullptr);
    ASSERT_EQ(autosave->interval_ms(), 300);
    int i = 0;
    ASSERT_TRUE(wait_until([&] {
        add_edit(*app, i++);
        return autosave->copies_written() >= 2;
    }, 60000));
    // A copy of a known state: no edits while the round runs.
    ASSERT_TRUE(wait_until([&] { return !autosave->running(); }, 60000));
    add_edit(*app, i++);
    autosave->run_now();
    ASSERT_TRUE(wait_until([&] { return !autosave->running(); }, 60000));
    std::printf("autosaved %zu\n", entity_count(*app->host().active()));
    std::fflush(stdout);
    // Edits the next copy would hold; the kill comes first.
    for (int k = 0; k < 25; ++k) add_edit(*app, i++);
    std::printf("edited %zu\n", entity_count(*app->host().active()));
    std::fflush(stdout);
    wait_until([] { return false; }, 120000);
}

TEST(Recovery, SigkillMidEditsThenRestore) {
    QTemporaryDir tmp;
    fs::path dir = tmp.path().toStdString();
    fs::copy_file(kVillage, dir / "village.dxf");
    const std::string original = bytes_of(dir / "village.dxf");

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::setenv(kChildFolder, dir.c_str(), 1);
        ::execl(self.c_str(), self.c_str(), "--gtest_filter=AutosaveChild.EditsUntilKilled", nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    FILE* child = ::fdopen(out[0], "r");
    size_t autosaved = 0, edited = 0;
    char line[512];
    while (!edited && std::fgets(line, sizeof line, child)) {
        std::sscanf(line, "autosaved %zu", &autosaved);
        std::sscanf(line, "edited %zu", &edited);
    }
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::fclose(child);
    ASSERT_GT(autosaved, 0u) << "the child made no copy";
    ASSERT_GT(edited, autosaved);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    // The next start: the copy is offered (answered Yes, the default) and restored.
    auto app = start_app(dir, {});
    bool offered = false;
    for (const auto& m : app->messages())
        offered = offered || (m.find("[恢复图形]") != std::string::npos && m.find("village.dxf") != std::string::npos);
    EXPECT_TRUE(offered);
    ASSERT_EQ(app->host().document_count(), 1u);
    host::HostDocument& d = app->host().document(0);
    EXPECT_EQ(d.path(), (dir / "village.dxf").string());
    EXPECT_TRUE(d.doc().modified());
    EXPECT_EQ(entity_count(d), autosaved);
    EXPECT_EQ(bytes_of(dir / "village.dxf"), original) << "the drawing itself was never saved";

    // Another start while this one lives is offered nothing: the copy is this session's now.
    host::RecoveryStore probe(dir / "data" / "autosave");
    EXPECT_TRUE(probe.left_by_crashes().empty());
    // Saving the restored drawing takes its copy away; a normal end leaves the folder empty.
    d.save();
    wait_until([&] { return false; }, 2500);
    app.reset();
    size_t left = 0;
    for (const auto& e : fs::directory_iterator(dir / "data" / "autosave"))
        if (e.path().extension() != ".lock") ++left;
    EXPECT_EQ(left, 0u);
}

}  // namespace korvane::ui::testing
