#include "tools/properties_model.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

#include "host/command_input.h"
#include "parcel/parcel_record.h"

namespace korvane::tools {

namespace {

constexpr const char* kColourNames[] = {"随块", "红", "黄", "绿", "青", "蓝", "洋红", "白"};

std::string upper(const std::string& s) {
    std::string out;
    for (char c : s) out += char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool is_polyline(const std::string& object_name) {
    return object_name == "AcDbPolyline" || object_name == "AcDb2dPolyline" || object_name == "AcDb3dPolyline";
}

std::string kind_name(const std::string& object_name) {
    static const std::map<std::string, const char*> kNames = {
        {"AcDbPolyline", "多段线"},       {"AcDb2dPolyline", "多段线"},  {"AcDb3dPolyline", "三维多段线"},
        {"AcDbLine", "直线"},             {"AcDbCircle", "圆"},          {"AcDbArc", "圆弧"},
        {"AcDbText", "单行文字"},         {"AcDbMText", "多行文字"},     {"AcDbPoint", "点"},
        {"AcDbHatch", "图案填充"},        {"AcDbRasterImage", "光栅图像"}, {"AcDbBlockReference", "块参照"}};
    auto it = kNames.find(object_name);
    if (it != kNames.end()) return it->second;
    return object_name.rfind("AcDb", 0) == 0 ? object_name.substr(4) : object_name;
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v == 0 ? 0.0 : v);
    return buf;
}

// The length of the polyline's outline; arcs counted by their chords.
double perimeter(host::Entity& e) {
    std::vector<double> c = e.Coordinates();
    size_t stride = e.ObjectName() == "AcDbPolyline" ? 2 : 3;
    size_t n = c.size() / stride;
    double total = 0;
    for (size_t i = 0; i + 1 < n + (e.Closed() ? 1 : 0) && n > 1; ++i) {
        size_t a = i * stride, b = ((i + 1) % n) * stride;
        total += std::hypot(c[b] - c[a], c[b + 1] - c[a + 1]);
    }
    return total;
}

// One value over all chosen objects, or kVaries.
struct Common {
    bool any = false;
    std::string value;
    void take(const std::string& v) {
        if (!any) value = v;
        else if (v != value) value = kVaries;
        any = true;
    }
};

}  // namespace

std::string colour_text(int aci) {
    if (aci == 256) return "随层";
    if (aci >= 0 && aci <= 7) return kColourNames[aci];
    return std::to_string(aci);
}

int colour_of_text(const std::string& text) {
    std::string t = upper(text);
    if (t == "随层" || t == "BYLAYER") return 256;
    if (t == "BYBLOCK") return 0;
    for (int i = 0; i <= 7; ++i)
        if (text == kColourNames[i]) return i;
    auto n = host::parse_integer(text);
    return n && *n >= 0 && *n <= 256 ? int(*n) : -1;
}

void PropertiesModel::read(host::Application& app, const std::vector<std::string>& handles) {
    clear();
    host::DocumentPtr doc = app.ActiveDocument();
    if (!doc) return;
    std::vector<host::EntityPtr> ents;
    for (const std::string& h : handles)
        if (host::EntityPtr e = doc->HandleToObject(h)) {
            ents.push_back(e);
            handles_.push_back(h);
        }
    app.Err().clear();
    if (ents.empty()) return;

    Common layer, colour, linetype, width;
    std::map<std::string, int> kinds;
    for (auto& e : ents) {
        std::string object = e->ObjectName();
        ++kinds[kind_name(object)];
        layer.take(e->Layer());
        colour.take(colour_text(e->color()));
        linetype.take(e->Linetype());
        if (is_polyline(object)) width.take(fixed(e->ConstantWidth(), 3));
    }
    if (ents.size() == 1) {
        title_ = kinds.begin()->first;
    } else {
        title_ = std::to_string(ents.size()) + " 个对象 (";
        bool first = true;
        for (const auto& [k, n] : kinds) {
            title_ += (first ? "" : ", ") + k + " " + std::to_string(n);
            first = false;
        }
        title_ += ")";
    }

    std::vector<std::string> layer_names;
    if (host::LayersPtr layers = doc->Layers())
        for (long i = 0; i < layers->Count(); ++i)
            if (host::LayerPtr l = layers->Item(i)) layer_names.push_back(l->Name());
    std::vector<std::string> colours = {"随层"};
    for (const char* c : kColourNames) colours.push_back(c);
    std::vector<std::string> types = {"ByLayer", "ByBlock"};
    types.insert(types.end(), linetypes_.begin(), linetypes_.end());

    rows_.push_back({"图层", layer.value, Property::Layer, layer_names});
    rows_.push_back({"颜色", colour.value, Property::Colour, colours});
    rows_.push_back({"线型", linetype.value, Property::Linetype, types});
    if (width.any) rows_.push_back({"全局宽度", width.value, Property::Width, {}});

    // One parcel polyline: what it measures and what its record says.
    if (ents.size() != 1 || !is_polyline(ents[0]->ObjectName())) return;
    host::Entity& e = *ents[0];
    parcel::ParcelRead r = parcel::read_parcel_record(e);
    if (r.state != parcel::RecordState::Record && parcel::type_of_layer(e.Layer()) == parcel::ParcelType::None) return;
    rows_.push_back({"面积", fixed(e.Area(), 3), Property::None, {}});
    rows_.push_back({"周长", fixed(perimeter(e), 3), Property::None, {}});
    if (r.state != parcel::RecordState::Record) return;
    for (int k = 1; k < parcel::kRecordItems; ++k)
        rows_.push_back({parcel::exchange_name(k), r.record.value(k), Property::None, {}});
}

std::string PropertiesModel::apply(host::Application& app, Property what, const std::string& given) {
    host::DocumentPtr doc = app.ActiveDocument();
    if (!doc || handles_.empty() || what == Property::None) return {};
    std::string value = given;
    while (!value.empty() && value.front() == ' ') value.erase(value.begin());
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (value == kVaries) return {};  // left as it was

    int colour = -1;
    double width = 0;
    switch (what) {
        case Property::Layer:
            if (!doc->Layers() || !doc->Layers()->Item(value)) {
                app.Err().clear();
                return "没有名为“" + value + "”的图层。";
            }
            break;
        case Property::Colour:
            colour = colour_of_text(value);
            if (colour < 0) return "颜色应为 0 到 256 的数、随层或随块。";
            break;
        case Property::Linetype: {
            bool known = upper(value) == "BYLAYER" || upper(value) == "BYBLOCK";
            for (const auto& l : linetypes_) known = known || upper(l) == upper(value);
            if (!known) return "没有名为“" + value + "”的线型。";
            break;
        }
        case Property::Width: {
            auto w = host::parse_real(value);
            if (!w || *w < 0) return "宽度应为不小于 0 的数。";
            width = *w;
            break;
        }
        case Property::None: break;
    }

    doc->StartUndoMark("特性");
    for (const std::string& h : handles_) {
        host::EntityPtr e = doc->HandleToObject(h);
        if (!e) continue;
        switch (what) {
            case Property::Layer: e->SetLayer(value); break;
            case Property::Colour: e->Setcolor(colour); break;
            case Property::Linetype: e->SetLinetype(value); break;
            case Property::Width:
                if (is_polyline(e->ObjectName())) e->SetConstantWidth(width);
                break;
            case Property::None: break;
        }
    }
    doc->EndUndoMark();
    app.Err().clear();
    std::vector<std::string> again = handles_;
    read(app, again);
    return {};
}

}  // namespace korvane::tools
