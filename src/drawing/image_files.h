#pragma once
// Finding an image's file on this machine. Drawings travel: an IMAGEDEF written elsewhere
// names a file as that machine saw it (`D:\影像\2543.00-548.00.jpg`, a path relative to the
// drawing, a name in another letter case). The file is looked for as written, then beside the
// drawing, then in the image directory, by its file name and without regard to letter case.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::drawing {

// The file name of a stored path: what follows its last '/' or '\'.
std::string stored_file_name(std::string_view stored);

class ImageFileLocator {
public:
    // `drawing_dir`: the folder of the drawing ("" for a new one); `image_dir`: the image
    // directory the user chose ("" when none).
    ImageFileLocator(std::string drawing_dir, std::string image_dir);

    enum class Place { AsWritten, BesideDrawing, ImageDirectory };
    // The path of an existing file for the stored name, or nothing; `where` tells which look
    // found it.
    std::optional<std::string> locate(std::string_view stored, Place* where = nullptr);

private:
    std::string drawing_dir_, image_dir_;
    // Folder -> lower-case file name -> file name as it is on disk; read once per folder.
    std::map<std::string, std::map<std::string, std::string>> listings_;

    std::optional<std::string> in_folder(const std::string& folder, const std::string& name);
};

class Document;

// Points the image definitions whose file is found only in the image directory at that file
// (what the user means by choosing a directory: the drawing's images are there now). Returns
// how many definitions changed.
int relink_images(Document& doc, const std::string& drawing_dir, const std::string& image_dir);

}  // namespace korvane::drawing
