// Host commands on the sample village drawing, the results read back by an independent
// reader (ezdxf under Debian's python3).
#include <map>

#include "../common/shell.h"
#include "../common/temp_dir.h"
#include "command_fixture.h"
#include "drawing/geometry.h"
#include "host/command_input.h"

namespace korvane::host::testing {

namespace {

using Facts = std::map<std::string, std::string>;

Facts check(const std::vector<std::string>& args) {
    Facts facts;
    int rc = 0;
    std::string out = test::run(test::python_command("tests/host/command_check.py", args), &rc);
    facts["status"] = std::to_string(rc);
    facts["output"] = out;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(pos, end - pos);
        size_t eq = line.find('=');
        if (eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 1;
    }
    return facts;
}

class VillageCommandTest : public ::testing::Test {
protected:
    RecordingInput input;
    RecordingTranscript transcript;
    EmbeddedHost host{input, transcript};
    HostDocument* hd = nullptr;
    std::string village = std::string(KORVANE_SOURCE_DIR) + "/samples/village.dxf";
    test::TempDir dir;

    void SetUp() override { hd = &host.open(village); }
    drawing::Document& d() { return hd->doc(); }
    void send(const std::string& text) { host.interpreter().send(*hd, text); }
    std::string handle(drawing::RecordId id) { return drawing::Entity(d(), id).handle_text(); }
};

}  // namespace

TEST_F(VillageCommandTest, MssxFindsWhatAnotherReaderFinds) {
    Facts expected = check({"codes", village, "300000"});
    ASSERT_EQ(expected["status"], "0") << expected["output"];
    ASSERT_NE(expected["count"], "0") << "the sample carries feature codes";
    send("MSSX\r10\r300000\r\n");
    std::string got;
    for (auto id : hd->previous_selection()) got += (got.empty() ? "" : ",") + handle(id);
    EXPECT_EQ(got, expected["handles"]);
    EXPECT_TRUE(transcript.contains("的实体 " + expected["count"] + " 个"));
}

TEST_F(VillageCommandTest, PointPickBoundaryThenHatchAsTheParcelFormDoes) {
    // A parcel of the village and a point inside it.
    drawing::RecordId parcel = drawing::kNoRecord;
    drawing::Point2 inside;
    for (auto id : d().modelspace()) {
        drawing::Entity e(d(), id);
        if (e.type() != "LWPOLYLINE" || e.layer() != "独有宗地" || !e.closed()) continue;
        auto v = e.vertices();
        drawing::Point2 c{0, 0};
        for (const auto& p : v) c.x += p.x / double(v.size()), c.y += p.y / double(v.size());
        if (drawing::locate_in_entity(d(), id, c) == drawing::Location::Inside) {
            parcel = id;
            inside = c;
            break;
        }
    }
    ASSERT_NE(parcel, drawing::kNoRecord);
    double parcel_area = *drawing::entity_area(d(), parcel);

    send("-layer\rm\r构面层\r\r");
    send("osmode\r0\r");
    size_t before = d().modelspace().size();
    send("_-Boundary\r" + format_number(inside.x) + "," + format_number(inside.y) + "\r\r");
    ASSERT_EQ(d().modelspace().size(), before + 1) << transcript.lines().back();
    drawing::RecordId traced = d().modelspace().back();
    EXPECT_NEAR(*drawing::entity_area(d(), traced), parcel_area, parcel_area * 1e-9);

    send("hatch\ru\r45\r2\rY\r(handent \"" + handle(traced) + "\")\r\r");
    send("pdmode\r34\r");
    std::string out = (dir / "village-hatched.dxf").string();
    hd->save(out);

    Facts last = check({"last+header+audit", out, "$PDMODE"});
    ASSERT_EQ(last["status"], "0") << last["output"];
    EXPECT_EQ(last["type"], "HATCH");
    EXPECT_EQ(last["layer"], "构面层");
    EXPECT_EQ(last["pattern_type"], "0");
    EXPECT_EQ(last["associative"], "1");
    EXPECT_EQ(last["angle"], "45");
    EXPECT_EQ(last["spacing"], "2");
    EXPECT_EQ(last["double"], "1");
    EXPECT_EQ(last["sources"], handle(traced));
    EXPECT_EQ(last["header"], "34");
    EXPECT_EQ(last["errors"], "0") << last["output"];
    EXPECT_TRUE(input.requests.empty());
}

}  // namespace korvane::host::testing
