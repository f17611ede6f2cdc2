#include "host/image_relink.h"

#include <filesystem>

#include "drawing/image_files.h"
#include "host/embedded_host.h"
#include "host/host_document.h"

namespace korvane::host {

void relink_images(EmbeddedHost& host, const std::string& image_dir) {
    bool any = false;
    for (size_t i = 0; i < host.document_count(); ++i) {
        HostDocument& hd = host.document(i);
        std::filesystem::path file(hd.path());
        drawing::Document& doc = hd.doc();
        doc.begin_undo_step("图像目录");
        int n = drawing::relink_images(doc, file.has_parent_path() ? file.parent_path().string() : "", image_dir);
        doc.end_undo_step();
        if (n > 0) {
            host.print(hd.name() + "：" + std::to_string(n) + "个图像改用目录 " + image_dir + " 中的文件。");
            any = true;
        }
    }
    if (any) host.changed();
}

}  // namespace korvane::host
