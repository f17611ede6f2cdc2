#pragma once
// The open drawings' images follow the image directory the user chose.
#include <string>

namespace korvane::host {

class EmbeddedHost;

// In every open drawing, image definitions whose file is found only in `image_dir` are pointed
// at it, one undo step a drawing, with a command-line line naming how many. Saving keeps the
// new paths; closing without saving keeps the old ones.
void relink_images(EmbeddedHost& host, const std::string& image_dir);

}  // namespace korvane::host
