// -WBLOCK and -INSERT: carrying a selection from one drawing to another through a
// temporary drawing, as the panel's two buttons send it.
#include <cmath>

#include "command_fixture.h"
#include "drawing/block.h"

namespace korvane::host::testing {

namespace {

class BlockCommandTest : public CommandFixture {
protected:
    drawing::RecordId a = drawing::kNoRecord, b = drawing::kNoRecord, c = drawing::kNoRecord;
    std::string temp;

    void SetUp() override {
        CommandFixture::SetUp();
        a = square(548100, 2543000, 100, "独有宗地");
        drawing::Entity(d(), a).set_xdata({drawing::XDataItem::app("South"), drawing::XDataItem::string("300000")});
        b = drawing::add_text(d(), "张三", {548150, 2543050, 0}, 2.5, "注记");
        c = square(0, 0, 10);
        temp = (temp_dir() / "Temp Dwg.dxf").string();  // a blank in the path, as a user folder may have
    }

    void write_temp() {
        bool exists = std::filesystem::exists(temp);
        input.select({handle(a), handle(b)});
        input.enter();
        send("-wblock " + temp + "\r" + (exists ? "Y\r" : "") + "\r0,0\r");
    }
};

}  // namespace

// The round trip through the temporary drawing is temp_drawing.scn, read back with ezdxf.
TEST_F(BlockCommandTest, TheObjectsComeFromTheUserAndTheInsertIsOneUndoStep) {
    write_temp();
    ASSERT_TRUE(std::filesystem::exists(temp)) << all_lines();
    ASSERT_EQ(input.requests.size(), 2u);
    EXPECT_NE(input.requests[0].prompt.find("选择对象"), std::string::npos);
    EXPECT_EQ(modelspace().size(), 3u) << "writing copies; the objects stay";
    HostDocument& other = host.new_document();
    host.interpreter().send(other, "-insert *" + temp + "\r0,0\r1\r\r");
    EXPECT_EQ(other.doc().modelspace().size(), 2u) << all_lines();
    EXPECT_EQ(input.requests.size(), 2u) << "the insert asked nothing";
    host.interpreter().send(other, "u\r");
    EXPECT_TRUE(other.doc().modelspace().empty());
}

// Written again, Y replaces the file: temp_drawing.scn, read back with ezdxf. N keeps the file as
// it is and asks nothing more.
TEST_F(BlockCommandTest, WritingAgainNKeepsTheFile) {
    write_temp();
    size_t asked = input.requests.size();
    send("-wblock " + temp + "\rN\r");
    EXPECT_TRUE(printed("已存在"));
    EXPECT_EQ(drawing::Document::load(temp).modelspace().size(), 2u);
    EXPECT_EQ(input.requests.size(), asked);
}

TEST_F(BlockCommandTest, BasePointMovesTheWrittenEntities) {
    input.select({handle(c)});
    input.enter();
    send("-wblock " + temp + "\r\r5,5\r");
    auto written = drawing::Document::load(temp);
    auto ms = written.modelspace();
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_NEAR(drawing::Entity(written, ms[0]).vertices()[0].x, -5, 1e-9);
}

TEST_F(BlockCommandTest, NothingSelectedWritesNothing) {
    input.enter();
    send("-wblock " + temp + "\r\r0,0\r");
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(printed("未选择对象"));
}

TEST_F(BlockCommandTest, InsertAsABlockWithScaleAndRotation) {
    write_temp();
    HostDocument& other = host.new_document();
    host.interpreter().send(other, "-insert\r" + temp + "\r10,20\r2\r\r90\r");
    auto ms = other.doc().modelspace();
    ASSERT_EQ(ms.size(), 1u) << all_lines();
    auto info = drawing::read_insert(other.doc(), ms[0]);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->insertion, (drawing::Point3{10, 20, 0}));
    EXPECT_DOUBLE_EQ(info->sx, 2);
    EXPECT_DOUBLE_EQ(info->sy, 2) << "Enter at the Y scale takes the X scale";
    EXPECT_DOUBLE_EQ(info->rotation, 90);
    // The block is now in the drawing and can be inserted by name, exploded.
    host.interpreter().send(other, "-insert\r*" + info->name + "\r0,0\r1\r0\r");
    EXPECT_EQ(other.doc().modelspace().size(), 3u);
}

TEST_F(BlockCommandTest, InsertingAMissingFileSaysSo) {
    send("-insert *" + (temp_dir() / "none.dxf").string() + "\r0,0\r1\r\r");
    EXPECT_TRUE(printed("未找到块或图形文件"));
    EXPECT_EQ(modelspace().size(), 3u);
}

}  // namespace korvane::host::testing
