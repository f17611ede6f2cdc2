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
    // A lock file that cannot be looked at counts as none: opening the template then tells.
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

namespace {

// The steps of one export. Each step that can end the export returns false after telling the
// user why, with the outcome in `result`.
class SurveyExport {
public:
    SurveyExport(host::CommandContext& ctx, host::DocumentPtr doc, host::SelectionSetPtr parcels, long count)
        : ctx_(ctx), ui_(ctx.ui), doc_(std::move(doc)), parcels_(std::move(parcels)), count_(count) {}

    SurveyResult run(int mode) {
        if (!choose_mode(mode) || !prepare_mark_layer() || !read_first_parcel() || !open_template()) return result_;
        find_marks();
        number_marks();
        if (stop_ == SurveyOutcome::Saved) {
            write_list();
            save_workbook();
        } else {
            // What was numbered stays numbered and listed; no workbook is saved.
            if (!stop_reason_.empty()) ui_.message_box(stop_reason_, "提示", MsgIcon::Critical);
            write_list();
            result_.outcome = stop_;
        }
        return result_;
    }

private:
    // A corner's mark and the number it gets, and a parcel with its numbered corners.
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

    host::CommandContext& ctx_;
    common::UiService& ui_;
    host::DocumentPtr doc_;
    host::SelectionSetPtr parcels_;
    const long count_;
    int mode_ = 0;
    SurveyResult result_;
    ParcelAttributeRecord first_;
    std::vector<std::string> numbers_;  // of every parcel, when there are several
    std::optional<sheets::Workbook> book_;
    std::vector<Walked> walked_;
    SurveyOutcome stop_ = SurveyOutcome::Saved;  // how the walk ended
    std::string stop_reason_;                    // shown when it ended early
    std::vector<std::string> lines_;             // the coordinate list

    bool fail(SurveyOutcome outcome) {
        result_.outcome = outcome;
        return false;
    }
    // Ends the walk early; the reason is shown once the progress has gone.
    bool stop(SurveyOutcome outcome, std::string reason = {}) {
        stop_ = outcome;
        stop_reason_ = std::move(reason);
        return false;
    }
    // A drawing call failed: the export stops with the host's reason.
    bool drawing_failed(const std::string& what) {
        return stop(SurveyOutcome::DrawingFailed, what + "\r\n" + ctx_.err.description);
    }

    // The numbering mode: asked for fewer than 24 parcels, sequence numbers from 24 on.
    bool choose_mode(int mode) {
        if (mode == 0) {
            if (count_ < kSequenceModeFrom) {
                host::UtilityPtr util = doc_->Utility();
                std::optional<long> typed = util ? util->GetInteger(kModePrompt) : std::nullopt;
                long m = typed.value_or(0);
                mode = m == 0 ? kLetterMode : (m == kLetterMode || m == kSequenceMode ? int(m) : -1);
            } else {
                mode = kSequenceMode;
            }
        }
        mode_ = mode;
        if (mode == kLetterMode || mode == kSequenceMode) return true;
        if (host::UtilityPtr util = doc_->Utility()) util->Prompt(kBadModeLine);
        return fail(SurveyOutcome::BadMode);
    }

    bool prepare_mark_layer() {
        ctx_.err.clear();
        host::LayersPtr layers = doc_->Layers();
        if (layers && layers->Add(kMarkLayer)) return true;
        ui_.message_box(std::string("图层“") + kMarkLayer + "”无法建立：\r\n" + ctx_.err.description, "提示",
                        MsgIcon::Critical);
        return fail(SurveyOutcome::DrawingFailed);
    }

    // The first parcel names the workbook; several parcels are listed in U21.
    bool read_first_parcel() {
        if (host::EntityPtr e = parcels_->Item(0)) first_ = read_parcel_record(*e).record;
        if (count_ > 1)
            for (long i = 0; i < count_; ++i) {
                host::EntityPtr e = parcels_->Item(i);
                numbers_.push_back(e ? read_parcel_record(*e).record.parcel_number() : std::string());
            }
        if (valid_file_name(first_.holder())) return true;
        ui_.message_box(invalid_name_message(first_.holder()), "提示", MsgIcon::Critical);
        return fail(SurveyOutcome::InvalidName);
    }

    // The template of the data directory, with the heading filled in.
    bool open_template() {
        const fs::path template_path = ui_.paths().data_file(kSurveyTemplate);
        // A template that cannot be looked at (rather than one that is not there) is left to the
        // opening below, which says why.
        std::error_code ec;
        const bool present = fs::is_regular_file(template_path, ec);
        if (!present && (!ec || ec == std::errc::no_such_file_or_directory)) {
            ui_.message_box(missing_template_message(template_path), kFriendlyTitle);
            return fail(SurveyOutcome::MissingTemplate);
        }
        if (template_in_use(template_path)) {
            ui_.message_box(kTemplateOpenMessage, kFriendlyTitle);
            return fail(SurveyOutcome::TemplateInUse);
        }
        try {
            book_.emplace(sheets::Workbook::open(template_path));
            for (const char* sheet : kSheets)
                if (!book_->has_sheet(sheet))
                    throw sheets::WorkbookError("the template " + template_path.string() + " has no sheet \"" +
                                                sheet + "\"");
            book_->set_text("主表", "H2", first_.holder());
            book_->set_text("主表", "M3", first_.parcel_number() + (count_ > 1 ? "等" : ""));
            book_->set_text("主表", "U21", count_ > 1 ? several_parcels_note(numbers_) : std::string());
        } catch (const sheets::WorkbookError& e) {
            ui_.message_box(std::string("调查表模板无法使用：\r\n") + e.what(), "提示", MsgIcon::Critical);
            return fail(SurveyOutcome::BadTemplate);
        }
        return true;
    }

    // The first of two passes: finds, corner by corner, the mark each corner numbers. Marks
    // numbered earlier in this walk count as gone, as they would be once moved to "界址点".
    // The second pass numbers them in the same order: searching between writes would make the
    // drawing's spatial index catch up with every write.
    void find_marks() {
        host::Filter marks;
        marks.add(0, "point").add(8, kUnnumberedLayer);
        std::set<std::string> taken;  // handles of the marks numbered so far
        ProgressScope progress(ui_, kSurveyExportTitle, count_);
        for (long i = 0; i < count_; ++i) {
            if (!progress.step(i)) {
                stop(SurveyOutcome::Cancelled);
                return;
            }
            host::EntityPtr p = parcels_->Item(i);
            if (!p) continue;
            walked_.push_back({p, i + 1, {}});
            if (!find_parcel_marks(walked_.back(), marks, taken)) return;
        }
    }

    // The marks of one parcel's corners; false when the walk stops there.

    bool find_parcel_marks(Walked& w, const host::Filter& marks, std::set<std::string>& taken) {
        host::Point lo, hi;
        if (w.parcel->GetBoundingBox(lo, hi)) ctx_.app.ZoomWindow(lo, hi);
        for (const Corner& corner : walking_order(corners_of(w.parcel->Coordinates()))) {
            ctx_.err.clear();
            host::SelectionSetPtr found = fresh_selection_set(*doc_, kNeighbourSet);
            if (!found) return drawing_failed("界址点无法查找：");
            found->SelectByPolygon(7, search_ring(corner), marks);
            std::vector<host::EntityPtr> here;
            for (long k = 0, n = found->Count(); k < n; ++k)
                if (host::EntityPtr m = found->Item(k); m && !taken.count(m->Handle())) here.push_back(m);
            if (here.size() > 1) return stop(SurveyOutcome::DuplicateMark, kDuplicateMarkMessage);
            if (here.size() == 1) {
                taken.insert(here[0]->Handle());
                w.points.push_back({corner, here[0], long(w.points.size()) + 1});
            }
        }
        return true;
    }

    // The second pass: labels, circles and records in the drawing, rows in the workbook and
    // lines of the coordinate list for every mark found. A drawing write that fails stops it.
    void number_marks() {
        ctx_.err.clear();
        host::ModelSpacePtr ms = doc_->ModelSpace();
        if (!ms) {
            drawing_failed("界址点无法标注：");
            return;
        }
        int r = kFirstTableRow;
        for (const Walked& w : walked_) {
            ++result_.parcels;
            const ParcelAttributeRecord parcel = read_parcel_record(*w.parcel).record;
            SheetRow at = sheet_row(r);
            book_->set_text(at.sheet, {at.row, kColumnParcel}, parcel.parcel_number());
            for (const Numbered& n : w.points) {
                const std::string number = point_number(mode_, w.parcel_no, n.point_no);
                ctx_.err.clear();
                const std::string description = mark_in_drawing(*ms, parcel, w.parcel_no, n, number);
                if (ctx_.err) {
                    drawing_failed("界址点 " + number + " 没有写入图形：");
                    return;
                }
                lines_.push_back(common::number_to_text(static_cast<long long>(n.point_no)) + "," +
                                 common::number_to_text(n.corner.y) + "," + common::number_to_text(n.corner.x) +
                                 "," + description);
                table_row(sheet_row(r), n, number, description);
                ++r;
                ++result_.points;
            }
        }
    }

    // The label at the corner, the mark's record, layer and colour, and its circle; returns the
    // mark's boundary description.
    std::string mark_in_drawing(host::ModelSpace& ms, const ParcelAttributeRecord& parcel, long parcel_no,
                                const Numbered& n, const std::string& number) {
        host::Entity& mark = *n.mark;
        const host::Point c{n.corner.x, n.corner.y, 0};
        ms.AddText(number, c, kLabelHeight);
        const std::string description = mark.GetXData("").text(6);
        const host::Point pos = mark.InsertionPoint();
        const std::string sequence = sequence_number(parcel_no, n.point_no);
        const std::string position = common::number_to_text(pos.y) + "," + common::number_to_text(pos.x);
        mark.SetXData(mark_record(parcel, "-1", sequence, position, description));
        mark.SetLayer(kMarkLayer);
        mark.Setcolor(kMarkColour);
        if (host::EntityPtr circle = ms.AddCircle(c, kCircleRadius)) {
            circle->SetXData(mark_record(parcel, "-2", sequence, position, description));
            circle->SetLayer(kMarkLayer);
            circle->Setcolor(kMarkColour);
        }
        return description;
    }

    void table_row(SheetRow at, const Numbered& n, const std::string& number, const std::string& description) {
        book_->set_text(at.sheet, {at.row, kColumnNumber}, number);
        book_->set_number(at.sheet, {at.row, kColumnNorthing}, common::round_half_away(n.corner.y, 2));
        book_->set_number(at.sheet, {at.row, kColumnEasting}, common::round_half_away(n.corner.x, 2));
        book_->set_text(at.sheet, {at.row, kColumnLine}, common::comma_field(description, 1));
        book_->set_text(at.sheet, {at.row, kColumnPosition}, common::comma_field(description, 2));
    }

    // The coordinate list is written however the walk ends, with the points numbered so far.
    void write_list() {
        try {
            common::write_lines(ui_.paths().data_file(kCoordinateList), lines_, common::TextEncoding::Gbk);
        } catch (const common::FileError& e) {
            ui_.message_box(std::string("界址点坐标成果没有写出：\r\n") + e.what(), "提示", MsgIcon::Critical);
        }
    }

    void save_workbook() {
        const fs::path out = ui_.paths().output_file(first_.holder() + ".xlsx");
        try {
            std::error_code ec;
            fs::create_directories(out.parent_path(), ec);
            if (ec) throw sheets::WorkbookError(out.parent_path().string() + ": " + ec.message());
            book_->save_as(out);
        } catch (const sheets::WorkbookError& e) {
            ui_.message_box(std::string("调查表没有保存：\r\n") + e.what(), "提示", MsgIcon::Critical);
            result_.outcome = SurveyOutcome::SaveFailed;
            return;
        }
        result_.outcome = SurveyOutcome::Saved;
        result_.workbook = out;
        if (host::UtilityPtr util = doc_->Utility()) util->Prompt("调查表已保存到：" + out.string() + "\n");
        ui_.show_file(out.string());
    }
};

}  // namespace

SurveyResult export_survey(host::CommandContext& ctx, int mode) {
    host::DocumentPtr doc = ctx.doc();
    if (!doc) return {};
    host::SelectionSetsPtr sets = doc->SelectionSets();
    host::SelectionSetPtr parcels = sets ? sets->Item(kParcelSet) : nullptr;
    const long count = parcels ? parcels->Count() : 0;
    if (count <= 0) return {};
    return SurveyExport(ctx, doc, parcels, count).run(mode);
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
