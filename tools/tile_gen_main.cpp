// korvane-tile-gen: writes aerial-looking image tiles named by their kilometre sheets.
//   korvane-tile-gen DIR KX KY NX NY [--size PX] [--grain] [--tif]
#include <QGuiApplication>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "tile_gen.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc < 6) {
        std::cerr << "usage: korvane-tile-gen DIR KX KY NX NY [--size PX] [--grain] [--tif]\n"
                     "  the sheets KX..KX+NX-1 by KY..KY+NY-1 (kilometres), each a file named like 2543.00-548.00.jpg\n";
        return 2;
    }
    korvane::samples::TileLook look;
    std::string extension = ".jpg";
    for (int i = 6; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--size" && i + 1 < argc) look.size = std::atoi(argv[++i]);
        else if (a == "--grain") look.grain = true;
        else if (a == "--tif") extension = ".tif";
        else {
            std::cerr << "unknown option " << a << "\n";
            return 2;
        }
    }
    try {
        int n = korvane::samples::write_tiles(argv[1], std::atoll(argv[2]), std::atoll(argv[3]), std::atoi(argv[4]),
                                              std::atoi(argv[5]), look, extension);
        std::cout << n << " tiles written to " << argv[1] << "\n";
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
