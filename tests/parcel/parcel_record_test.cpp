// The parcel record as stored: what counts as a record, what a save writes, and the checks
// that decide a parcel's type.
#include <gtest/gtest.h>

#include "parcel/parcel_record.h"

namespace korvane::parcel {
namespace {

host::XData items(const std::string& app, int data_items) {
    host::XData d;
    d.add(1001, app);
    for (int i = 0; i < data_items; ++i) d.add(1000, "v" + std::to_string(i + 1));
    return d;
}

std::array<std::string, kAttributeTexts> texts_with_code(const std::string& code) {
    std::array<std::string, kAttributeTexts> t;
    for (int i = 0; i < kAttributeTexts; ++i) t[size_t(i)] = "t" + std::to_string(i + 2);
    t[0] = code;
    return t;
}

TEST(ParcelRecordReading, RecognisedByItemCountAndApplication) {
    EXPECT_EQ(record_state({}), RecordState::NoData);
    EXPECT_EQ(record_state(items("South", 1)), RecordState::Foreign);   // the add-on's feature code
    EXPECT_EQ(record_state(items("South", 22)), RecordState::Foreign);  // 23 items
    EXPECT_EQ(record_state(items("South", 20)), RecordState::Foreign);
    EXPECT_EQ(record_state(items("South", 21)), RecordState::Record);
    EXPECT_EQ(record_state(items("SOUTH", 21)), RecordState::Record);   // application names ignore case
    EXPECT_EQ(record_state(items("OTHER", 21)), RecordState::Foreign);
    // 22 items made of two applications' data is not one record.
    host::XData two = items("South", 1);
    two.add(1001, std::string("OTHER"));
    for (int i = 0; i < 19; ++i) two.add(1000, std::string("x"));
    ASSERT_EQ(two.size(), 22u);
    EXPECT_EQ(record_state(two), RecordState::Foreign);
}

TEST(ParcelRecordReading, ValuesComeBackAsText) {
    host::XData d = items("South", 21);
    d.codes[12] = 1040;
    d.values[12] = 2000.5;
    d.codes[13] = 1070;
    d.values[13] = 7LL;
    ParcelRead r = read_parcel_record(d);
    ASSERT_EQ(r.state, RecordState::Record);
    EXPECT_EQ(r.record.code(), "v1");
    EXPECT_EQ(r.record.value(Item::SCMJ), "2000.5");
    EXPECT_EQ(r.record.value(Item::FZMJ), "7");
    EXPECT_EQ(r.record.value(Item::Cun_DM), "v21");
    EXPECT_EQ(r.record.neighbour(3), "v8");
    EXPECT_EQ(read_parcel_record(items("South", 1)).record, ParcelAttributeRecord());
}

TEST(ParcelRecordWriting, TwentyTwoTextItemsWithStampAndPrefixes) {
    auto texts = texts_with_code(" 440123101001 ");
    ParcelAttributeRecord r = ParcelAttributeRecord::from_texts(texts, {2026, 12, 5, 10, 0, 0});
    host::XData d = r.to_xdata();
    ASSERT_EQ(d.size(), 22u);
    EXPECT_EQ(d.codes[0], 1001);
    EXPECT_EQ(d.text(0), "South");
    for (size_t i = 1; i < 22; ++i) EXPECT_EQ(d.codes[i], 1000) << i;
    EXPECT_EQ(d.text(1), " 440123101001 ");  // as typed, blanks kept
    EXPECT_EQ(d.text(18), "t19");
    EXPECT_EQ(d.text(19), "120536000");
    EXPECT_EQ(d.text(20), " 44012");     // the untrimmed code's first six characters
    EXPECT_EQ(d.text(21), " 44012310");
    EXPECT_EQ(r.texts(), texts);
    EXPECT_EQ(read_parcel_record(d).record, r);
}

TEST(ParcelRecordWriting, PrefixesCountCharactersAndStampsDiffer) {
    auto texts = texts_with_code("甲乙丙丁戊己庚辛壬癸");
    auto r = ParcelAttributeRecord::from_texts(texts, {2026, 3, 1, 0, 0, 1});
    EXPECT_EQ(r.value(Item::Zen_DM), "甲乙丙丁戊己");
    EXPECT_EQ(r.value(Item::Cun_DM), "甲乙丙丁戊己庚辛壬");
    EXPECT_EQ(r.value(Item::OutDATA), "03011");
    auto later = ParcelAttributeRecord::from_texts(texts, {2026, 3, 1, 0, 1, 1});
    EXPECT_NE(later.value(Item::OutDATA), r.value(Item::OutDATA));
    auto short_code = ParcelAttributeRecord::from_texts(texts_with_code("4401"), {});
    EXPECT_EQ(short_code.value(Item::Zen_DM), "4401");
    EXPECT_EQ(short_code.value(Item::Cun_DM), "4401");
}

TEST(ParcelTypes, LayersAndBack) {
    for (ParcelType t : {ParcelType::Sole, ParcelType::Joint, ParcelType::Disputed, ParcelType::State})
        EXPECT_EQ(type_of_layer(layer_of(t)), t);
    EXPECT_EQ(type_of_layer("0"), ParcelType::None);
    EXPECT_STREQ(layer_of(ParcelType::None), "");
}

TEST(SaveChecks, CodeLengthByTypeThenSurveyorAndDate) {
    const std::string two = "440123101001/440123101002";
    struct Case {
        ParcelType chosen;
        std::string code, surveyor, date;
        ParcelType target;     // when saved
        const char* refusal;   // when refused
    };
    const Case cases[] = {
        {ParcelType::Sole, "440123101001", "赵六", "d", ParcelType::Sole, nullptr},
        {ParcelType::Sole, "44012310100", "赵六", "d", {}, kSoleCodeMessage},
        {ParcelType::Sole, " 440123101001 ", "赵六", "d", ParcelType::Sole, nullptr},
        {ParcelType::Sole, "甲乙丙丁戊己庚辛壬癸子丑", "赵六", "d", ParcelType::Sole, nullptr},  // characters, not bytes
        {ParcelType::Joint, two, "赵六", "d", ParcelType::Joint, nullptr},
        {ParcelType::Joint, "440123101001", "赵六", "d", {}, kJointCodeMessage},
        {ParcelType::Joint, "  ", "赵六", "d", {}, kJointCodeMessage},
        {ParcelType::Disputed, two, "赵六", "d", ParcelType::Disputed, nullptr},
        {ParcelType::Disputed, "", "赵六", "d", {}, kDisputedCodeMessage},
        // The state code moves a sole-owned or unchosen parcel; joint and disputed refuse it.
        {ParcelType::Sole, kStateCode, "赵六", "d", ParcelType::State, nullptr},
        {ParcelType::None, " 440000009999", "赵六", "d", ParcelType::State, nullptr},
        {ParcelType::Joint, kStateCode, "赵六", "d", {}, kJointCodeMessage},
        {ParcelType::Disputed, kStateCode, "赵六", "d", {}, kDisputedCodeMessage},
        {ParcelType::None, "123", "赵六", "d", ParcelType::None, nullptr},
        // Surveyor and date are checked after the code.
        {ParcelType::Sole, "440123101001", "", "d", {}, kSurveyorMessage},
        {ParcelType::Sole, "440123101001", "赵六", "   ", {}, kSurveyorMessage},
        {ParcelType::None, "", " ", "d", {}, kSurveyorMessage},
        {ParcelType::Sole, "1", "", "", {}, kSoleCodeMessage},
    };
    for (const Case& c : cases) {
        SavePlan plan = plan_save(c.chosen, c.code, c.surveyor, c.date);
        if (c.refusal) {
            EXPECT_EQ(plan.refusal, c.refusal) << c.code;
        } else {
            EXPECT_FALSE(plan.refused()) << c.code;
            EXPECT_EQ(plan.target, c.target) << c.code;
        }
    }
}

}  // namespace
}  // namespace korvane::parcel
