#pragma once
// The parcel attribute record: the extended data a parcel polyline carries under
// the application "South", exactly 22 items, every item after the name text (1000):
//
//   item  name      content                      form box
//    0    –         application name "South"     –        (1001)
//    1    YSDM      ownership code               Text1(2)
//    2    ZDH       parcel number                Text1(3)
//    3    TDQLR     land right holder            Text1(4)
//    4    ZDSZ      four-boundaries description  Text1(5)
//    5    EAST      east neighbour               Text1(6)
//    6    SOUTH     south neighbour              Text1(7)
//    7    WEST      west neighbour               Text1(8)
//    8    NORTH     north neighbour              Text1(9)
//    9    TXDZ      postal address               Text1(10)
//   10    TDZL      land location                Text1(11)
//   11    QSXZ      nature of ownership          Text1(12)
//   12    SCMJ      measured area                Text1(13)
//   13    FZMJ      certified area               Text1(14)
//   14    TDZH      land certificate number      Text1(15)
//   15    PZRQ      approval date                Text1(16)
//   16    QSDCJS    ownership survey notes       Text1(17)
//   17    DCY       surveyor                     Text1(18)
//   18    DCRQ      survey date                  Text1(19)
//   19    OutDATA   save stamp (MMDD + seconds since midnight)
//   20    Zen_DM    first six characters of the ownership code (untrimmed)
//   21    Cun_DM    first nine characters of the ownership code (untrimmed)
//
// Values are free text, stored exactly as typed (not trimmed, empty allowed).
//
// Reading, for everyone who needs a parcel's attributes:
//
//   ParcelRead r = read_parcel_record(*entity);
//   if (r.state == RecordState::Record) use(r.record.value(Item::TDQLR));
//
// The layer of a parcel polyline states its ownership type (ParcelType below).
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/dates.h"
#include "host/host.h"

namespace korvane::parcel {

inline constexpr const char* kParcelApp = "South";
inline constexpr int kRecordItems = 22;      // items 0..21
inline constexpr int kAttributeTexts = 18;   // values 1..18, from the form's boxes
inline constexpr const char* kStateCode = "440000009999";
inline constexpr int kSoleCodeLength = 12;

// Item numbers of the record (value k is item k).
enum class Item : int {
    YSDM = 1, ZDH, TDQLR, ZDSZ, EAST, SOUTH, WEST, NORTH, TXDZ, TDZL, QSXZ, SCMJ, FZMJ, TDZH, PZRQ, QSDCJS, DCY,
    DCRQ, OutDATA, Zen_DM, Cun_DM
};

// The exchange name of item k (1..21), "" for item 0 and out of range.
const char* exchange_name(int item);

// ---- ownership types ----

enum class ParcelType { None, Sole, Joint, Disputed, State };

// The parcel layers in the order the selection filters list them.
inline constexpr const char* kParcelLayers = "独有宗地,共有宗地,争议宗地,国有宗地";
// The layer of a type ("" for None) and the colour a parcel gets there (0 for None).
const char* layer_of(ParcelType type);
int colour_of(ParcelType type);
// The type a layer stands for (exact name); None for any other layer.
ParcelType type_of_layer(std::string_view layer);

// Hatches of selected and saved parcels.
inline constexpr const char* kHatchLayer = "构面层";
inline constexpr int kHatchColour = 2;

// ---- the record ----

// What a polyline carries.
enum class RecordState {
    NoData,   // no extended data at all
    Foreign,  // extended data that is not one parcel record (a feature code, another program's data)
    Record,   // a parcel record
};

class ParcelAttributeRecord {
public:
    ParcelAttributeRecord();

    // Value k (0..21; 0 is the application name). Out of range: std::out_of_range.
    const std::string& value(int k) const;
    std::string& value(int k);
    const std::string& value(Item item) const { return value(int(item)); }
    std::string& value(Item item) { return value(int(item)); }

    // Named reads of the values the other commands use most.
    const std::string& code() const { return value(Item::YSDM); }
    const std::string& parcel_number() const { return value(Item::ZDH); }
    const std::string& holder() const { return value(Item::TDQLR); }
    // East, south, west, north (i = 0..3).
    const std::string& neighbour(int i) const { return value(int(Item::EAST) + i); }

    // The record as written: item 0 "South" (1001), items 1..21 text (1000).
    host::XData to_xdata() const;

    // The record a save writes: values 1..18 from the eighteen box texts as they stand,
    // value 19 the save stamp of `now`, values 20 and 21 the first six and nine characters of
    // the ownership code.
    static ParcelAttributeRecord from_texts(const std::array<std::string, kAttributeTexts>& texts,
                                            const common::LocalTime& now);
    // The eighteen texts the form shows (values 1..18).
    std::array<std::string, kAttributeTexts> texts() const;

    bool operator==(const ParcelAttributeRecord&) const = default;

private:
    std::array<std::string, kRecordItems> values_;
};

// What extended data read with the application name "" (every application) holds. A
// record is exactly 22 items of one application "South" (any case): item 0 its 1001
// name and no further 1001 item. Anything else is foreign.
RecordState record_state(const host::XData& all_data);

struct ParcelRead {
    RecordState state = RecordState::NoData;
    ParcelAttributeRecord record;  // filled when state is Record
};

// Reads the data of every application on the entity and sorts it out. Numbers stored by
// other writers come back in their plain text form.
ParcelRead read_parcel_record(const host::XData& all_data);
ParcelRead read_parcel_record(host::Entity& entity);
// The land right holder alone, as read_parcel_record gives it; nullopt when the data is no record.
std::optional<std::string> record_holder(const host::XData& all_data);
// The same, taking the holder's text out of data the caller no longer needs.
std::optional<std::string> record_holder(host::XData&& all_data);

// Writes the record onto the entity (replacing its "South" data).
void write_parcel_record(host::Entity& entity, const ParcelAttributeRecord& record);

// ---- classification on save ----

inline constexpr const char* kSoleCodeMessage = "独有宗地的权属代码长度不正确！";
inline constexpr const char* kJointCodeMessage = "共有宗地的权属代码长度不正确！";
inline constexpr const char* kDisputedCodeMessage = "争议宗地的权属代码长度不正确！";
inline constexpr const char* kSurveyorMessage = "调查员和调查日期不能为空。";

// What a save does with the parcel, decided from the chosen type and the boxes before the
// drawing changes.
struct SavePlan {
    // The refusal message ("" when the save goes through).
    std::string refusal;
    // The type whose layer and colour the parcel gets: the chosen one, or State for the
    // state-owned code; None when the layer stays as it is.
    ParcelType target = ParcelType::None;
    bool refused() const { return !refusal.empty(); }
};

// Sole-owned: the trimmed code must be 12 characters. Jointly owned and disputed: not empty
// and not 12 characters. None: no check. Then surveyor and survey date must not be blank.
// A code equal to "440000009999" (trimmed) makes the target State, which only a sole-owned
// or no choice can reach.
SavePlan plan_save(ParcelType chosen, std::string_view code_box, std::string_view surveyor_box,
                   std::string_view date_box);

}  // namespace korvane::parcel
