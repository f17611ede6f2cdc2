#include "parcel/survey_export.h"

#include <optional>
#include <set>
#include <system_error>

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "parcel/boundary_numbering.h"
#include "parcel/neighbour_fill.h"
#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"
#include "sheets/workbook.h"

namespace korvane::parcel {

namespace fs = std::filesystem;
using common::MsgIcon;

namespace {

constexpr const char* kSheets[] = {"主表", "附表1", "附表2", "附表3"};
constexpr int kColumnParcel = 1, kColumnNumber = 3, kColumnNorthing = 5, kColumnEasting = 7, kColumnLine = 9,
              kColumnPosition = 11;

// The numbered mark's record; `suffix` "-1" for the mark, "-2" for its circle.
host::XData mark_record(const ParcelAttributeRecord& parcel, const char* suffix, const std::string& sequence,
                        const std::string& position, const std::string& description) {
    host::XData data;
    data.add(1001, std::string(kParcelApp));
    data.add(1000, parcel.code() + suffix);
    data.add(1000, parcel.holder());
    data.add(1000, sequence);
    data.add(1000, position);
    data.add(1000, description);
    data.add(1000, std::string());
    data.add(1000, std::string());
    return data;
}

// The point display: off while the command works, shown as circles again when it ends.
class PointDisplayOff {
public:
    explicit PointDisplayOff(host::Document& doc) : doc_(doc) { doc_.SendCommand("pdmode\r0\rpdsize\r1\r"); }
    ~PointDisplayOff() { doc_.SendCommand("pdmode\r32\rpdsize\r1\r"); }

private:
    host::Document& doc_;
};

}  // namespace

std::string missing_template_message(const fs::path& template_path) { return template_path.string() + "未找到！"; }

bool template_in_use(const fs::path& template_path) {
    const std::string name = template_path.filename().string();
    const fs::path dir = template_path.parent_path();
    std::error_code ec;
    return fs::exists(dir / ("~$" + name), ec) || fs::exists(dir / (".~lock." + name + "#"), ec);
}

bool valid_file_name(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.size() + 5 > 255) return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    return name.back() != ' ' && name.back() != '.';
}

std::string invalid_name_message(std::string_view holder) {
    return "权利人“" + std::string(holder) +
           "”不能用作调查表的文件名（不能为空，不能含有 \\ / : * ? \" < > | 等字符，不能以空格或句点结尾），"
           "请先修改第一个宗地的权利人。";
}

std::string several_parcels_note(const std::vector<std::string>& numbers) {
    std::string list;
    for (size_t i = 0; i < numbers.size(); ++i) list += (i ? "、" : "") + numbers[i];
    return "共有" + std::to_string(numbers.size()) + "个地块，宗地号分别为：" + list + "。";
}

SurveyResult export_survey(host::CommandContext& ctx, int mode) {
    SurveyResult result;
    common::UiService& ui = ctx.ui;
    host::DocumentPtr doc = ctx.doc();
    if (!doc) return result;
    host::SelectionSetsPtr sets = doc->SelectionSets();
    host::SelectionSetPtr parcels = sets ? sets->Item(kParcelSet) : nullptr;
    const long count = parcels ? parcels->Count() : 0;
    if (count <= 0) return result;
    host::UtilityPtr util = doc->Utility();

    // The numbering mode.
    if (mode == 0) {
        if (count < kSequenceModeFrom) {
            std::optional<long> typed = util ? util->GetInteger(kModePrompt) : std::nullopt;
            long m = typed.value_or(0);
            mode = m == 0 ? kLetterMode : (m == kLetterMode || m == kSequenceMode ? int(m) : -1);
        } else {
            mode = kSequenceMode;
        }
    }
    if (mode != kLetterMode && mode != kSequenceMode) {
        if (util) util->Prompt(kBadModeLine);
        result.outcome = SurveyOutcome::BadMode;
        return result;
    }

    if (host::LayersPtr layers = doc->Layers()) layers->Add(kMarkLayer);

    // The first parcel names the workbook; several parcels are listed in U21.
    ParcelAttributeRecord first;
    if (host::EntityPtr e = parcels->Item(0)) first = read_parcel_record(*e).record;
    const std::string holder = first.holder();
    std::vector<std::string> numbers;
    if (count > 1)
        for (long i = 0; i < count; ++i) {
            host::EntityPtr e = parcels->Item(i);
            numbers.push_back(e ? read_parcel_record(*e).record.parcel_number() : std::string());
        }
    if (!valid_file_name(holder)) {
        ui.message_box(invalid_name_message(holder), "提示", MsgIcon::Critical);
        result.outcome = SurveyOutcome::InvalidName;
        return result;
    }

    // The template.
    const fs::path template_path = ui.paths().data_file(kSurveyTemplate);
    std::error_code ec;
    if (!fs::is_regular_file(template_path, ec)) {
        ui.message_box(missing_template_message(template_path), kFriendlyTitle);
        result.outcome = SurveyOutcome::MissingTemplate;
        return result;
    }
    if (template_in_use(template_path)) {
        ui.message_box(kTemplateOpenMessage, kFriendlyTitle);
        result.outcome = SurveyOutcome::TemplateInUse;
        return result;
    }
    std::optional<sheets::Workbook> book;
    try {
        book.emplace(sheets::Workbook::open(template_path));
        for (const char* sheet : kSheets)
            if (!book->has_sheet(sheet))
                throw sheets::WorkbookError("the template " + template_path.string() + " has no sheet \"" + sheet +
                                            "\"");
        book->set_text("主表", "H2", holder);
        book->set_text("主表", "M3", first.parcel_number() + (count > 1 ? "等" : ""));
        book->set_text("主表", "U21", count > 1 ? several_parcels_note(numbers) : std::string());
    } catch (const sheets::WorkbookError& e) {
        ui.message_box(std::string("调查表模板无法使用：\r\n") + e.what(), "提示", MsgIcon::Critical);
        result.outcome = SurveyOutcome::BadTemplate;
        return result;
    }

    // The coordinate list is written whenever the walk ends, with the points numbered so far.
    std::vector<std::string> lines;
    auto write_list = [&] {
        try {
            common::write_lines(ui.paths().data_file(kCoordinateList), lines, common::TextEncoding::Gbk);
        } catch (const common::FileError& e) {
            ui.message_box(std::string("界址点坐标成果没有写出：\r\n") + e.what(), "提示", MsgIcon::Critical);
        }
    };

    // The walk in two passes. The first finds, corner by corner, the mark each corner numbers:
    // marks numbered earlier in this walk count as gone, as they would be once moved to
    // "界址点". The second numbers them in the same order. Searching between writes would make
    // the drawing's spatial index catch up with every write.
    struct Numbered {
        Corner corner;
        host::EntityPtr mark;
        long point_no = 0;
    };
    struct Walked {
        host::EntityPtr parcel;
        long parcel_no = 0;
        std::vector<Numbered> points;
    };
    std::vector<Walked> walked;
    SurveyOutcome stop = SurveyOutcome::Saved;
    {
        host::Filter marks;
        marks.add(0, "point").add(8, kUnnumberedLayer);
        std::set<std::string> taken;  // handles of the marks numbered so far
        ProgressScope progress(ui, kSurveyExportTitle, count);
        for (long i = 0; i < count && stop == SurveyOutcome::Saved; ++i) {
            if (!progress.step(i)) {
                stop = SurveyOutcome::Cancelled;
                break;
            }
            host::EntityPtr p = parcels->Item(i);
            if (!p) continue;
            Walked w{p, i + 1, {}};
            host::Point lo, hi;
            if (p->GetBoundingBox(lo, hi)) ctx.app.ZoomWindow(lo, hi);
            for (const Corner& corner : walking_order(corners_of(p->Coordinates()))) {
                host::SelectionSetPtr found = fresh_selection_set(*doc, kNeighbourSet);
                if (!found) continue;
                found->SelectByPolygon(7, search_ring(corner), marks);
                std::vector<host::EntityPtr> here;
                for (long k = 0, n = found->Count(); k < n; ++k)
                    if (host::EntityPtr m = found->Item(k); m && !taken.count(m->Handle())) here.push_back(m);
                if (here.size() > 1) {
                    stop = SurveyOutcome::DuplicateMark;
                    break;
                }
                if (here.size() == 1) {
                    taken.insert(here[0]->Handle());
                    w.points.push_back({corner, here[0], long(w.points.size()) + 1});
                }
            }
            walked.push_back(std::move(w));
        }
    }

    host::ModelSpacePtr ms = doc->ModelSpace();
    int r = kFirstTableRow;
    for (const Walked& w : walked) {
        ++result.parcels;
        const ParcelAttributeRecord parcel = read_parcel_record(*w.parcel).record;
        SheetRow at = sheet_row(r);
        book->set_text(at.sheet, {at.row, kColumnParcel}, parcel.parcel_number());
        for (const Numbered& n : w.points) {
            host::Entity& mark = *n.mark;
            const std::string number = point_number(mode, w.parcel_no, n.point_no);
            const host::Point c{n.corner.x, n.corner.y, 0};
            if (ms) ms->AddText(number, c, kLabelHeight);
            const std::string description = mark.GetXData("").text(6);
            const host::Point pos = mark.InsertionPoint();
            const std::string sequence = sequence_number(w.parcel_no, n.point_no);
            const std::string position = common::number_to_text(pos.y) + "," + common::number_to_text(pos.x);
            mark.SetXData(mark_record(parcel, "-1", sequence, position, description));
            mark.SetLayer(kMarkLayer);
            mark.Setcolor(kMarkColour);
            lines.push_back(common::number_to_text(static_cast<long long>(n.point_no)) + "," +
                            common::number_to_text(n.corner.y) + "," + common::number_to_text(n.corner.x) + "," +
                            description);
            if (host::EntityPtr circle = ms ? ms->AddCircle(c, kCircleRadius) : nullptr) {
                circle->SetXData(mark_record(parcel, "-2", sequence, position, description));
                circle->SetLayer(kMarkLayer);
                circle->Setcolor(kMarkColour);
            }
            at = sheet_row(r);
            book->set_text(at.sheet, {at.row, kColumnNumber}, number);
            book->set_number(at.sheet, {at.row, kColumnNorthing}, common::round_half_away(n.corner.y, 2));
            book->set_number(at.sheet, {at.row, kColumnEasting}, common::round_half_away(n.corner.x, 2));
            book->set_text(at.sheet, {at.row, kColumnLine}, common::comma_field(description, 1));
            book->set_text(at.sheet, {at.row, kColumnPosition}, common::comma_field(description, 2));
            ++r;
            ++result.points;
        }
    }
    if (stop != SurveyOutcome::Saved) {
        if (stop == SurveyOutcome::DuplicateMark) ui.message_box(kDuplicateMarkMessage, "提示", MsgIcon::Critical);
        write_list();
        result.outcome = stop;
        return result;
    }
    write_list();

    const fs::path out = ui.paths().output_file(holder + ".xlsx");
    try {
        fs::create_directories(out.parent_path(), ec);
        book->save_as(out);
    } catch (const sheets::WorkbookError& e) {
        ui.message_box(std::string("调查表没有保存：\r\n") + e.what(), "提示", MsgIcon::Critical);
        result.outcome = SurveyOutcome::SaveFailed;
        return result;
    }
    result.outcome = SurveyOutcome::Saved;
    result.workbook = out;
    ui.show_file(out.string());
    return result;
}

SurveyResult survey_export(host::Session& session) {
    SurveyResult result;
    host::run_command(session, host::FrameVariant::A, [&result](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        PointDisplayOff display(*doc);
        host::SelectionSetPtr parcels = fresh_selection_set(*doc, kParcelSet);
        if (!parcels) return;
        host::Filter polylines;
        polylines.add(0, "LWPOLYLINE");
        parcels->SelectOnScreen(polylines);
        result = export_survey(ctx);
    }, undo_step("输出调查表"));
    return result;
}

}  // namespace korvane::parcel
