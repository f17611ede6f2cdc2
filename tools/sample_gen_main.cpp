// korvane-sample-gen: writes the sample drawings.
//   korvane-sample-gen village OUT.dxf [--seed S]
//   korvane-sample-gen parcels N OUT.dxf [--seed S]
#include <charconv>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sample_gen.h"

using namespace korvane;

namespace {

int usage() {
    std::cerr << "usage:\n"
                 "  korvane-sample-gen village OUT.dxf [--seed S]     the sample village (about 300 parcels)\n"
                 "  korvane-sample-gen parcels N OUT.dxf [--seed S]   N attributed parcels in a grid (default 50000)\n";
    return 2;
}

bool parse_number(const std::string& s, uint64_t& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// Written directly rather than through Document::save, which keeps the old file as .bak.
void write(const drawing::Document& doc, const std::string& path) {
    std::string text = doc.to_dxf();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error(path + ": cannot create the file");
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    if (!out) throw std::runtime_error(path + ": cannot write the file");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    uint64_t seed = 0;
    bool has_seed = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--seed") {
            if (i + 1 >= argc || !parse_number(argv[i + 1], seed)) return usage();
            has_seed = true;
            ++i;
        } else {
            args.push_back(a);
        }
    }
    try {
        if (args.size() == 2 && args[0] == "village") {
            drawing::Document doc = samples::make_village(has_seed ? seed : samples::kVillageSeed);
            write(doc, args[1]);
            std::cout << "wrote " << args[1] << "\n";
            return 0;
        }
        if ((args.size() == 3 || args.size() == 2) && args[0] == "parcels") {
            uint64_t n = samples::kDefaultParcels;
            if (args.size() == 3 && (!parse_number(args[1], n) || n == 0)) return usage();
            drawing::Document doc = samples::make_parcels(size_t(n), has_seed ? seed : samples::kParcelsSeed);
            write(doc, args.back());
            std::cout << "wrote " << args.back() << " (" << n << " parcels)\n";
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
    return usage();
}
