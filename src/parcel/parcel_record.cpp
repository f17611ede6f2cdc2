#include "parcel/parcel_record.h"

#include <stdexcept>

#include "common/numbers.h"
#include "common/text.h"

namespace korvane::parcel {

namespace {

constexpr const char* kExchangeNames[kRecordItems] = {
    "",     "YSDM", "ZDH",  "TDQLR", "ZDSZ", "EAST", "SOUTH", "WEST",   "NORTH", "TXDZ",    "TDZL",
    "QSXZ", "SCMJ", "FZMJ", "TDZH",  "PZRQ", "QSDCJS", "DCY", "DCRQ", "OutDATA", "Zen_DM", "Cun_DM"};

struct TypeInfo {
    ParcelType type;
    const char* layer;
    int colour;
};
constexpr TypeInfo kTypes[] = {
    {ParcelType::Sole, "独有宗地", 4},
    {ParcelType::Joint, "共有宗地", 3},
    {ParcelType::Disputed, "争议宗地", 6},
    {ParcelType::State, "国有宗地", 7},
};

// A value as text: numbers of other writers in their plain form, points not at all.
std::string as_text(const host::Value& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto n = std::get_if<long long>(&v)) return std::to_string(*n);
    if (auto d = std::get_if<double>(&v)) return common::number_to_text(*d);
    return {};
}

}  // namespace

const char* exchange_name(int item) {
    return item > 0 && item < kRecordItems ? kExchangeNames[item] : "";
}

const char* layer_of(ParcelType type) {
    for (const auto& t : kTypes)
        if (t.type == type) return t.layer;
    return "";
}

int colour_of(ParcelType type) {
    for (const auto& t : kTypes)
        if (t.type == type) return t.colour;
    return 0;
}

ParcelType type_of_layer(std::string_view layer) {
    for (const auto& t : kTypes)
        if (layer == t.layer) return t.type;
    return ParcelType::None;
}

ParcelAttributeRecord::ParcelAttributeRecord() { values_[0] = kParcelApp; }

const std::string& ParcelAttributeRecord::value(int k) const {
    if (k < 0 || k >= kRecordItems) throw std::out_of_range("parcel record has no value " + std::to_string(k));
    return values_[size_t(k)];
}

std::string& ParcelAttributeRecord::value(int k) {
    if (k < 0 || k >= kRecordItems) throw std::out_of_range("parcel record has no value " + std::to_string(k));
    return values_[size_t(k)];
}

host::XData ParcelAttributeRecord::to_xdata() const {
    host::XData data;
    data.add(1001, std::string(kParcelApp));
    for (int k = 1; k < kRecordItems; ++k) data.add(1000, values_[size_t(k)]);
    return data;
}

ParcelAttributeRecord ParcelAttributeRecord::from_texts(const std::array<std::string, kAttributeTexts>& texts,
                                                        const common::LocalTime& now) {
    ParcelAttributeRecord r;
    for (int k = 1; k <= kAttributeTexts; ++k) r.values_[size_t(k)] = texts[size_t(k - 1)];
    r.value(Item::OutDATA) = common::save_stamp(now);
    r.value(Item::Zen_DM) = common::left(texts[0], 6);
    r.value(Item::Cun_DM) = common::left(texts[0], 9);
    return r;
}

std::array<std::string, kAttributeTexts> ParcelAttributeRecord::texts() const {
    std::array<std::string, kAttributeTexts> out;
    for (int k = 1; k <= kAttributeTexts; ++k) out[size_t(k - 1)] = values_[size_t(k)];
    return out;
}

RecordState record_state(const host::XData& all) {
    if (all.empty()) return RecordState::NoData;
    if (all.size() != size_t(kRecordItems)) return RecordState::Foreign;
    if (all.codes[0] != 1001 || !common::iequals_ascii(all.text(0), kParcelApp)) return RecordState::Foreign;
    for (size_t i = 1; i < all.size(); ++i)
        if (all.codes[i] == 1001) return RecordState::Foreign;
    return RecordState::Record;
}

ParcelRead read_parcel_record(const host::XData& all) {
    ParcelRead out;
    out.state = record_state(all);
    if (out.state == RecordState::Record)
        for (int k = 1; k < kRecordItems; ++k) out.record.value(k) = as_text(all.values[size_t(k)]);
    return out;
}

ParcelRead read_parcel_record(host::Entity& entity) { return read_parcel_record(entity.GetXData("")); }

std::optional<std::string> record_holder(const host::XData& all) {
    if (record_state(all) != RecordState::Record) return std::nullopt;
    return as_text(all.values[size_t(Item::TDQLR)]);
}

std::optional<std::string> record_holder(host::XData&& all) {
    if (record_state(all) != RecordState::Record) return std::nullopt;
    host::Value& v = all.values[size_t(Item::TDQLR)];
    if (auto s = std::get_if<std::string>(&v)) return std::move(*s);
    return as_text(v);
}

void write_parcel_record(host::Entity& entity, const ParcelAttributeRecord& record) {
    entity.SetXData(record.to_xdata());
}

SavePlan plan_save(ParcelType chosen, std::string_view code_box, std::string_view surveyor_box,
                   std::string_view date_box) {
    SavePlan plan;
    const std::string code = common::trim(code_box);
    const size_t length = common::length(code);
    switch (chosen) {
        case ParcelType::Sole:
            if (length != size_t(kSoleCodeLength)) {
                plan.refusal = kSoleCodeMessage;
                return plan;
            }
            break;
        case ParcelType::Joint:
        case ParcelType::Disputed:
            if (code.empty() || length == size_t(kSoleCodeLength)) {
                plan.refusal = chosen == ParcelType::Joint ? kJointCodeMessage : kDisputedCodeMessage;
                return plan;
            }
            break;
        default: break;
    }
    if (common::trim(surveyor_box).empty() || common::trim(date_box).empty()) {
        plan.refusal = kSurveyorMessage;
        return plan;
    }
    plan.target = code == kStateCode ? ParcelType::State : (chosen == ParcelType::State ? ParcelType::None : chosen);
    return plan;
}

}  // namespace korvane::parcel
