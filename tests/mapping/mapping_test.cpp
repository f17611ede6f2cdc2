// The batch-modify form and the processing entries on a headless host: the watch file, the
// blink (its real timers and its place outside the undo history), an erased entity passed
// over, and 修改其它 on a parcel whose holder is empty. The walks themselves are the scenario
// batch_modify, the selections by code unit_selection.
#include <gtest/gtest.h>

#include <set>

#include "../parcel/survey_fixture.h"
#include "mapping/area_selection.h"
#include "mapping/watch_file.h"
#include "mapping/xg_jz.h"

namespace korvane::mapping {
namespace {

using host::InputAnswer;
using parcel::testing::SurveyFixture;

TEST(WatchFile, LineNumbersLeadToHandles) {
    test::TempDir dir;
    const auto file = dir / "watch.txt";
    write_watch_file(file, {"2F", "30", "A1B"});
    EXPECT_EQ(read_watch_handle(file, 3), "A1B");
    EXPECT_EQ(read_watch_handle(file, 4), std::nullopt);
    EXPECT_EQ(read_watch_handle(dir / "missing.txt", 1), std::nullopt);
}

// A UI whose timers are counted: which run now.
class TimerUi : public common::RecordingUi {
public:
    using RecordingUi::RecordingUi;
    int start_timer(double seconds, std::function<void()>) override {
        EXPECT_DOUBLE_EQ(seconds, 0.2);
        running.insert(next);
        return next++;
    }
    void stop_timer(int id) override { running.erase(id); }
    std::set<int> running;
    int next = 1;
};

class BatchFixture : public SurveyFixture {
protected:
    TimerUi timer_ui{settings, common::Paths{dir / "data", dir / "out"}};
    host::Session timed{host, timer_ui, nullptr};
    std::string point(double x, double y, int colour) {
        std::string h = mark(x, y, "田埂,中", "工作记录");
        entity(h)->Setcolor(colour);
        return h;
    }
    int colour(const std::string& h) { return entity(h)->color(); }
};

TEST_F(BatchFixture, BlinkRunsOnRealTimersAndStaysOutOfTheUndoHistory) {
    const std::string p = point(10, 10, 3);
    XG_JZ form(timed);
    form.load();
    EXPECT_EQ(timer_ui.running.size(), 2u);  // the point pair from the start

    select({p});
    form.click("Command1");
    EXPECT_EQ(colour(p), 6);
    form.tick("Timer3");
    EXPECT_EQ(colour(p), 1);
    form.tick("Timer4");
    EXPECT_EQ(colour(p), 7);
    EXPECT_EQ(timer_ui.running.size(), 1u);  // one of the pair at a time
    // The first undo takes back the selection's colour, not a blink.
    host.active()->doc().undo();
    EXPECT_EQ(colour(p), 3);

    form.close();
    EXPECT_TRUE(timer_ui.running.empty());
}

TEST_F(BatchFixture, AnErasedEntityIsPassedOver) {
    const std::string a = point(10, 10, 1), b = point(20, 10, 1), c = point(30, 10, 1);
    XG_JZ form(session);
    form.load();
    select({a, b, c});
    form.click("Command1");
    // Visited a, c, b: c goes before its turn.
    drawing::Document& d = host.active()->doc();
    d.erase(d.find_handle(c));
    form.set_text("Text1", "沟渠,中");
    form.click("Command2");
    EXPECT_EQ(form.caption, "1");
    EXPECT_EQ(form.control("Command1").tag, b);
    EXPECT_EQ(colour(a), 2);
    form.set_text("Text1", "道路,中");
    form.click("Command2");
    EXPECT_TRUE(ui.message_contains(kDoneMessage));
    EXPECT_EQ(items(b)[5], "道路,中");
}

TEST_F(BatchFixture, HolderRepairEmptiesTheTextForAnEmptyHolder) {
    const std::string parcel_line = square(0, 0, 10, "临时");
    parcel::ParcelAttributeRecord r = record(parcel_line);
    r.value(parcel::Item::TDQLR) = "";
    parcel::write_parcel_record(*entity(parcel_line), r);
    host::EntityPtr label = ms()->AddText("上围村民小组", {5, 5, 0}, 2.5);
    input.push(InputAnswer::entity(parcel_line));
    input.push(InputAnswer::entity(label->Handle()));
    copy_holder_to_text(session);
    EXPECT_EQ(label->TextString(), "");
    EXPECT_EQ(input.pending(), 0u);
}

}  // namespace
}  // namespace korvane::mapping
