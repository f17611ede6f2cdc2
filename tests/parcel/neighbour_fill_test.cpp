// 统加 over the embedded host where neighbour_village.scn does not look: the lists the fill writes
// (holders of the attributed parcels touching a parcel, corners included, duplicates and the
// own holder kept, each with a comma; linework adds nothing; a second run replaces) are read back
// there for all 294 parcels of the sample against the lists its generator wrote from the grid.
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
