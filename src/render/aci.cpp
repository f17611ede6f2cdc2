#include "render/aci.h"

#include <array>

namespace korvane::render {

namespace {

// Numbers 10..249 run through 24 hues in steps of 15 degrees; within each group of ten the
// value falls in five steps, and every odd number is the half-saturated form of the even one
// before it. 250..255 are greys.
std::array<QRgb, 256> make_table() {
    std::array<QRgb, 256> t{};
    t[0] = qRgb(0, 0, 0);
    t[1] = qRgb(255, 0, 0);
    t[2] = qRgb(255, 255, 0);
    t[3] = qRgb(0, 255, 0);
    t[4] = qRgb(0, 255, 255);
    t[5] = qRgb(0, 0, 255);
    t[6] = qRgb(255, 0, 255);
    t[7] = qRgb(255, 255, 255);
    t[8] = qRgb(128, 128, 128);
    t[9] = qRgb(192, 192, 192);
    static const int kValues[5] = {255, 204, 153, 127, 76};
    for (int i = 10; i <= 249; ++i) {
        int hue = (i - 10) / 10 * 15;
        int step = (i - 10) % 10;
        double v = kValues[step / 2];
        bool pale = step % 2 == 1;
        // Fully saturated colour of that hue at value v.
        double h = hue / 60.0;
        int sector = int(h);
        double f = h - sector;
        double r = 0, g = 0, b = 0;
        switch (sector) {
            case 0: r = v; g = v * f; b = 0; break;
            case 1: r = v * (1 - f); g = v; b = 0; break;
            case 2: r = 0; g = v; b = v * f; break;
            case 3: r = 0; g = v * (1 - f); b = v; break;
            case 4: r = v * f; g = 0; b = v; break;
            default: r = v; g = 0; b = v * (1 - f); break;
        }
        if (pale) {
            // Half-way to white at the same value.
            r = r + (v - r) / 2;
            g = g + (v - g) / 2;
            b = b + (v - b) / 2;
        }
        t[size_t(i)] = qRgb(int(r), int(g), int(b));
    }
    static const int kGreys[6] = {51, 91, 132, 173, 214, 255};
    for (int i = 0; i < 6; ++i) t[size_t(250 + i)] = qRgb(kGreys[i], kGreys[i], kGreys[i]);
    return t;
}

}  // namespace

QColor aci_color(int aci, bool dark_background) {
    static const std::array<QRgb, 256> table = make_table();
    if (aci < 0) aci = -aci;  // a layer switched off keeps its colour negated
    if (aci == 7 || aci <= 0 || aci > 255) return dark_background ? QColor(255, 255, 255) : QColor(0, 0, 0);
    return QColor(table[size_t(aci)]);
}

}  // namespace korvane::render
