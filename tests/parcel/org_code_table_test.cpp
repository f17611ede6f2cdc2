// The organisation code table: counting at load, the filter by name and by initials, and
// what a double click fills in.
#include <gtest/gtest.h>

#include <fstream>

#include "../common/temp_dir.h"
#include "common/text.h"
#include "common/text_file.h"
#include "parcel/org_code_table.h"

namespace korvane::parcel {
namespace {

class CodeTable : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / kCodeTableFile;
    OrgCodeTable table;

    void write(const std::vector<std::string>& lines, common::TextEncoding enc = common::TextEncoding::Gbk) {
        common::write_lines(file, lines, enc);
    }
    void SetUp() override {
        write({"上围村民小组,440123101001", "下围村民小组,440123101002", "东坑村一组,440123102001", "",
               "没有逗号的一行", "石岗镇集体资产管理委员会,440123100000, 备注", "Abc合作社,440123109001",
               "村村通公司,440123109002"});
        ASSERT_TRUE(table.load(file));
    }
};

TEST_F(CodeTable, CountsEveryLineAtLoad) {
    EXPECT_EQ(table.line_count(), 8);
    EXPECT_EQ(table.last_index(), 7);
    OrgCodeTable missing;
    EXPECT_FALSE(missing.load(dir / "none.ini"));
    EXPECT_TRUE(missing.filter("ALL").empty());
}

TEST_F(CodeTable, AllListsEveryLineWithACodeInFileOrder) {
    std::vector<std::string> all = table.filter("all");
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all.front(), "上围村民小组,440123101001");
    EXPECT_EQ(all[3], "石岗镇集体资产管理委员会,440123100000, 备注");
    EXPECT_EQ(table.filter("  ALL ").size(), 6u);
    EXPECT_EQ(table.filter("All").size(), 6u);
}

TEST_F(CodeTable, FilterByNameAndInitials) {
    std::vector<std::string> cun = table.filter("村");
    ASSERT_EQ(cun.size(), 4u);  // 上围村民小组, 下围村民小组, 东坑村一组, 村村通公司 (once, though 村 is there twice)
    EXPECT_EQ(cun[3], "村村通公司,440123109002");
    EXPECT_EQ(table.filter("SW"), std::vector<std::string>{"上围村民小组,440123101001"});
    EXPECT_EQ(table.filter(" sw "), std::vector<std::string>{"上围村民小组,440123101001"});
    // Initials at a later position: 村民小组 -> CMXZ in both groups.
    EXPECT_EQ(table.filter("cmxz").size(), 2u);
    // Letters of a name match in any case; they also stand for themselves in the initials.
    EXPECT_EQ(table.filter("abc").size(), 1u);
    EXPECT_EQ(table.filter("ABCH").size(), 1u);  // A, B, C, then 合 -> H
    EXPECT_TRUE(table.filter("石岗镇集体资产管理委员会的").empty());  // longer than every name
    EXPECT_TRUE(table.filter("   ").empty());
}

TEST_F(CodeTable, ReadsOnlyTheCountedLinesAndFollowsEdits) {
    write({"上围村民小组,440123101001", "改名村民小组,440123101002", "东坑村一组,440123102001", "", "没有逗号的一行",
           "石岗镇集体资产管理委员会,440123100000", "Abc合作社,440123109001", "村村通公司,440123109002",
           "新加村民小组,440123101099"});
    EXPECT_EQ(table.filter("改名").size(), 1u);     // a counted line changed: seen at once
    EXPECT_TRUE(table.filter("新加").empty());       // a line added after load: not read
    EXPECT_EQ(table.filter("all").size(), 6u);
}

TEST_F(CodeTable, ReadsUtf8TablesToo) {
    write({"禾坪村民小组,440123101007"}, common::TextEncoding::Utf8Bom);
    OrgCodeTable t;
    ASSERT_TRUE(t.load(file));
    EXPECT_EQ(t.filter("HP"), std::vector<std::string>{"禾坪村民小组,440123101007"});
}

TEST(CodeTablePick, SoleReplacesJointAndDisputedAppend) {
    const std::string a = "上围村民小组,440123101001", b = "下围村民小组 , 440123101002 ";
    auto sole = pick_org(a, ParcelType::Sole, "old", "old holder");
    ASSERT_TRUE(sole);
    EXPECT_EQ(sole->code, "440123101001");
    EXPECT_EQ(sole->holder, "上围村民小组");
    EXPECT_EQ(sole->parcel_number, "101001");
    auto second = pick_org(b, ParcelType::Sole, sole->code, sole->holder);
    EXPECT_EQ(second->code, "440123101002");
    EXPECT_EQ(second->holder, "下围村民小组");

    auto first = pick_org(a, ParcelType::Joint, "  ", "");
    EXPECT_EQ(first->code, "  440123101001");  // a blank box gets no separator but keeps its text
    auto joint = pick_org(b, ParcelType::Joint, "440123101001", "上围村民小组");
    EXPECT_EQ(joint->code, "440123101001/440123101002");
    EXPECT_EQ(joint->holder, "上围村民小组/下围村民小组");
    EXPECT_EQ(joint->parcel_number, "101002");
    EXPECT_EQ(pick_org(b, ParcelType::Disputed, "x", "y")->code, "x/440123101002");

    EXPECT_FALSE(pick_org(a, ParcelType::None, "", ""));
    EXPECT_EQ(org_name_of(b), "下围村民小组");
    EXPECT_EQ(pick_org("没有逗号", ParcelType::Sole, "", "")->code, "");
}

}  // namespace
}  // namespace korvane::parcel
