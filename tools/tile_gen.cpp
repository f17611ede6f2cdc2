#include "tile_gen.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace korvane::samples {

namespace {

std::string sheet_name(long long kx, long long ky) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lld.00-%lld.00", ky, kx);
    return buf;
}

}  // namespace

QImage make_tile(long long kx, long long ky, const TileLook& look) {
    const int n = look.size;
    std::mt19937_64 rng(uint64_t(kx) * 1000003u ^ uint64_t(ky) * 7919u);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    QImage img(n, n, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(img.rect(), QColor(96, 120, 70));
    // Fields: a jittered grid of quadrilaterals, each in its own crop's colour.
    const int cells = 8;
    const double step = double(n) / cells;
    const QColor crops[] = {{122, 146, 78}, {150, 160, 92}, {176, 158, 110}, {92, 128, 74},
                            {138, 118, 86}, {110, 140, 96}, {168, 172, 120}, {84, 106, 66}};
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            QPolygonF field;
            for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
                field << QPointF((i + di) * step + uniform(-0.1, 0.1) * step, (j + dj) * step + uniform(-0.1, 0.1) * step);
            p.setPen(QPen(QColor(70, 86, 52), std::max(1.0, n / 400.0)));
            p.setBrush(crops[rng() % 8]);
            p.drawPolygon(field);
        }
    // Tracks across the sheet.
    p.setPen(QPen(QColor(196, 186, 160), std::max(2.0, n / 120.0)));
    for (int k = 0; k < 3; ++k) p.drawLine(QPointF(0, uniform(0, n)), QPointF(n, uniform(0, n)));
    // The sheet's name, to tell tiles apart on screen.
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(std::max(8, n / 12));
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRectF(n * 0.04, n * 0.02, n, n / 8.0), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(sheet_name(kx, ky)));
    p.end();
    if (look.grain) {
        std::uniform_int_distribution<int> noise(-24, 24);
        for (int y = 0; y < n; ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < n; ++x) {
                int d = noise(rng);
                QRgb c = row[x];
                row[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                              std::clamp(qBlue(c) + d, 0, 255));
            }
        }
    }
    return img;
}

int write_tiles(const std::string& dir, long long kx0, long long ky0, int nx, int ny, const TileLook& look,
                const std::string& extension) {
    std::filesystem::create_directories(dir);
    int written = 0;
    for (long long ky = ky0; ky < ky0 + ny; ++ky)
        for (long long kx = kx0; kx < kx0 + nx; ++kx) {
            std::string path = (std::filesystem::path(dir) / (sheet_name(kx, ky) + extension)).string();
            const char* format = extension == ".tif" ? "TIFF" : "JPG";
            if (!make_tile(kx, ky, look).save(QString::fromStdString(path), format, 85))
                throw std::runtime_error(path + ": cannot write the tile");
            ++written;
        }
    return written;
}

}  // namespace korvane::samples
