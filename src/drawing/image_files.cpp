#include "image_files.h"

#include <filesystem>
#include <system_error>

#include "entity.h"
#include "image.h"

namespace korvane::drawing {

namespace fs = std::filesystem;

namespace {

std::string lower_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

bool is_file(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// A Windows path (drive letter or UNC) means nothing on this machine except its file name.
bool is_foreign(std::string_view stored) {
    if (stored.size() >= 2 && stored[1] == ':') return true;
    return stored.rfind("\\\\", 0) == 0;
}

}  // namespace

std::string stored_file_name(std::string_view stored) {
    size_t cut = stored.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? stored : stored.substr(cut + 1));
}

ImageFileLocator::ImageFileLocator(std::string drawing_dir, std::string image_dir)
    : drawing_dir_(std::move(drawing_dir)), image_dir_(std::move(image_dir)) {}

std::optional<std::string> ImageFileLocator::in_folder(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return std::nullopt;
    fs::path exact = fs::path(folder) / name;
    if (is_file(exact)) return exact.string();
    auto [it, fresh] = listings_.try_emplace(folder);
    if (fresh) {
        std::error_code ec;
        for (fs::directory_iterator d(folder, ec), end; !ec && d != end; d.increment(ec)) {
            std::string on_disk = d->path().filename().string();
            it->second.emplace(lower_ascii(on_disk), on_disk);
        }
    }
    auto found = it->second.find(lower_ascii(name));
    if (found == it->second.end()) return std::nullopt;
    fs::path p = fs::path(folder) / found->second;
    if (!is_file(p)) return std::nullopt;
    return p.string();
}

std::optional<std::string> ImageFileLocator::locate(std::string_view stored, Place* where) {
    if (where) *where = Place::AsWritten;
    if (stored.empty()) return std::nullopt;
    std::string written(stored);
    if (!is_foreign(stored)) {
        // As written: absolute, or relative to the drawing's folder (with either slash).
        std::string slashed = written;
        for (char& c : slashed)
            if (c == '\\') c = '/';
        fs::path p(slashed);
        if (p.is_absolute() && is_file(p)) return p.string();
        if (p.is_relative()) {
            // A new drawing has no folder yet: its relative names are the working folder's.
            fs::path in_dir = drawing_dir_.empty() ? p : fs::path(drawing_dir_) / p;
            if (is_file(in_dir)) return in_dir.lexically_normal().string();
        }
    }
    std::string name = stored_file_name(stored);
    if (where) *where = Place::BesideDrawing;
    if (auto beside = in_folder(drawing_dir_, name)) return beside;
    if (where) *where = Place::ImageDirectory;
    std::string image_dir = image_dir_;
    for (char& c : image_dir)
        if (c == '\\') c = '/';
    if (!is_foreign(image_dir_))
        if (auto in_images = in_folder(image_dir, name)) return in_images;
    return std::nullopt;
}

int relink_images(Document& doc, const std::string& drawing_dir, const std::string& image_dir) {
    ImageFileLocator locator(drawing_dir, image_dir);
    int changed = 0;
    for (const ImageDefInfo& def : image_defs(doc)) {
        ImageFileLocator::Place where;
        auto found = locator.locate(def.file, &where);
        if (!found || where != ImageFileLocator::Place::ImageDirectory || *found == def.file) continue;
        Entity(doc, def.id).set_text_of(1, *found);
        ++changed;
    }
    if (changed) doc.touch();
    return changed;
}

}  // namespace korvane::drawing
