// 统加 over the embedded host: which polylines count as neighbours, what goes into the
// four-boundaries description, how parcels without neighbours are marked and reported.
#include "parcel/neighbour_fill.h"

#include "survey_fixture.h"

namespace korvane::parcel {
namespace {

class NeighbourFill : public testing::SurveyFixture {
protected:
    void run(const std::vector<std::string>& selected) {
        select(selected);
        neighbour_fill(session);
        EXPECT_FALSE(input.failed()) << input.failure();
    }
    std::vector<drawing::Point3> marker_line(size_t i) {
        auto lines = of_type("POLYLINE");
        EXPECT_GT(lines.size(), i);
        return lines.size() > i ? lines[i].vertices() : std::vector<drawing::Point3>{};
    }
};

// The centre parcel shares edges with three attributed parcels: their holders in the host's
// order, each followed by a comma; the four directions stay; the line shows the result.
TEST_F(NeighbourFill, ThreeAttributedNeighbours) {
    std::string p = square(0, 0, 10, "本组");
    square(10, 0, 10, "甲");
    square(0, 10, 10, "乙");
    square(-10, 0, 10, "丙");
    square(100, 100, 10, "远处");
    run({p});
    ParcelAttributeRecord r = record(p);
    EXPECT_EQ(r.value(Item::ZDSZ), "甲,乙,丙,");
    EXPECT_EQ(r.neighbour(0), "东");
    EXPECT_EQ(r.neighbour(1), "南");
    EXPECT_EQ(r.neighbour(2), "西");
    EXPECT_EQ(r.neighbour(3), "北");
    EXPECT_EQ(r.holder(), "本组");
    EXPECT_EQ(engine(p).color(), 4);
    EXPECT_TRUE(line_shown(p + "-甲,乙,丙,"));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_TRUE(of_type("POLYLINE").empty());
    EXPECT_EQ(ui.progress_titles(), std::vector<std::string>{"统加"});
}

// Several parcels in selection order, each with its own list; touching at one corner counts.
TEST_F(NeighbourFill, EachSelectedParcelGetsItsOwnList) {
    std::string p = square(0, 0, 10, "本组");
    std::string a = square(10, 0, 10, "甲");
    std::string b = square(0, 10, 10, "乙");  // meets 甲 only at (10, 10)
    run({a, p});
    EXPECT_EQ(record(a).value(Item::ZDSZ), "本组,乙,");
    EXPECT_EQ(record(p).value(Item::ZDSZ), "甲,乙,");
    EXPECT_EQ(record(b).value(Item::ZDSZ), "旧的四至");
    ASSERT_GE(transcript.lines().size(), 2u);
    EXPECT_LT(std::find(transcript.lines().begin(), transcript.lines().end(), a + "-本组,乙,"),
              std::find(transcript.lines().begin(), transcript.lines().end(), p + "-甲,乙,"));
}

// Neighbours that are only linework (no record, or the add-on's feature code) are found and
// add nothing: the description empties, but the parcel is not isolated.
TEST_F(NeighbourFill, LineworkNeighboursAddNothing) {
    std::string p = square(0, 0, 10, "本组");
    square(10, 0, 10);
    std::string coded = square(0, 10, 10);
    host::XData feature;
    feature.add(1001, std::string("SOUTH"));
    feature.add(1000, std::string("160100"));
    entity(coded)->SetXData(feature);
    run({p});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "");
    EXPECT_EQ(engine(p).color(), 4);
    EXPECT_TRUE(of_type("POLYLINE").empty());
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_TRUE(line_shown(p + "-"));
}

// Parcels without any neighbour: empty description, red, a marker line from the X axis up to
// the first vertex, counted in the closing message. One without a record is marked alike.
TEST_F(NeighbourFill, IsolatedParcelsAreMarkedAndCounted) {
    std::string p = square(300, 300, 10, "孤立");
    std::string bare = polyline({{500, 520}, {510, 520}, {510, 530}});
    square(0, 0, 10, "不相邻");
    run({p, bare});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "");
    EXPECT_EQ(engine(p).color(), 1);
    EXPECT_EQ(engine(bare).color(), 1);
    EXPECT_EQ(marker_line(0), (std::vector<drawing::Point3>{{300, 0, 0}, {300, 300, 0}}));
    EXPECT_EQ(marker_line(1), (std::vector<drawing::Point3>{{500, 0, 0}, {500, 520, 0}}));
    EXPECT_TRUE(items(bare).empty());  // no record is made up for it
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0],
              "[结果] 处理完成，但有2个未处理，主要是由如下原因： / 1、多边形有重合点。 / 2、宗地孤立，检查是否为宗地岛。 "
              "{critical}");
}

// A parcel outline with a repeated vertex still selects its neighbours here: the search
// polygon is cleaned of repeated vertices before it is used.
TEST_F(NeighbourFill, RepeatedVertexStillFindsNeighbours) {
    std::string p = polyline({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 10}}, "本组");
    square(10, 0, 10, "甲");
    run({p});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "甲,");
    EXPECT_TRUE(ui.messages().empty());
}

// An island inside a parcel is its neighbour; the island itself touches nothing and is reported.
TEST_F(NeighbourFill, IslandInside) {
    std::string outer = square(0, 0, 100, "外围");
    std::string island = square(40, 40, 10, "岛");
    run({outer, island});
    EXPECT_EQ(record(outer).value(Item::ZDSZ), "岛,");
    EXPECT_EQ(record(island).value(Item::ZDSZ), "");
    EXPECT_EQ(engine(island).color(), 1);
    EXPECT_EQ(engine(outer).color(), 4);
    EXPECT_TRUE(ui.message_contains("但有1个未处理"));
}

// Every neighbouring polyline counts once, duplicates and the parcel's own holder included;
// a second run replaces the description instead of adding to it.
TEST_F(NeighbourFill, DuplicatesKeptAndSecondRunReplaces) {
    std::string p = square(0, 0, 10, "本组");
    square(10, 0, 10, "甲");
    square(0, 10, 10, "甲");
    square(-10, 0, 10, "本组");
    run({p});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "甲,甲,本组,");
    run({p});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "甲,甲,本组,");
    EXPECT_EQ(lines_with(p + "-甲,甲,本组,"), 2u);
}

// A selected polyline without a record prints its neighbours and stays without data.
TEST_F(NeighbourFill, ParcelWithoutRecordIsLeftAlone) {
    std::string bare = square(0, 0, 10);
    square(10, 0, 10, "甲");
    run({bare});
    EXPECT_TRUE(items(bare).empty());
    EXPECT_TRUE(line_shown(bare + "-甲,"));
    EXPECT_EQ(engine(bare).color(), 256);
}

// Cancel on the progress stops before the next parcel; what was done stays done.
TEST_F(NeighbourFill, CancelStopsBeforeTheNextParcel) {
    std::string p = square(0, 0, 10, "本组");
    std::string a = square(10, 0, 10, "甲");
    std::string q = square(300, 300, 10, "孤立");
    ui.cancel_progress_at(1);
    run({p, a, q});
    EXPECT_EQ(record(p).value(Item::ZDSZ), "甲,");
    EXPECT_EQ(record(a).value(Item::ZDSZ), "旧的四至");
    EXPECT_EQ(engine(q).color(), 4);
    EXPECT_FALSE(line_shown(a + "-"));
    EXPECT_TRUE(ui.messages().empty());
}

// Only lightweight polylines are parcels and neighbours: points, texts and circles are not.
TEST_F(NeighbourFill, OnlyLightweightPolylinesCount) {
    std::string p = square(0, 0, 10, "本组");
    mark(5, 5);
    ms()->AddText("甲", {5, 5, 0}, 2);
    ms()->AddCircle({10, 5, 0}, 3);
    run({p});
    EXPECT_EQ(engine(p).color(), 1);
    EXPECT_TRUE(ui.message_contains("但有1个未处理"));
}

}  // namespace
}  // namespace korvane::parcel
