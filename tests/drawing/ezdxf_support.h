#pragma once
// Test support: runs the independent reader (ezdxf_probe.py under Debian's python3, which
// has ezdxf) and parses what it prints; temporary folders.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../common/shell.h"

namespace korvane_test {

namespace fs = std::filesystem;

using korvane::test::quote;
using korvane::test::run;

inline std::string probe_command(const std::vector<std::string>& args) {
    return korvane::test::python_command("tests/drawing/ezdxf_probe.py", args);
}

// Runs ezdxf_probe.py with the arguments; status 0 expected.
inline std::string ezdxf(const std::vector<std::string>& args, int* status = nullptr) {
    return run(probe_command(args), status);
}

using Fields = std::map<std::string, std::string>;

// What `ezdxf_probe.py probe` found: the audit, structure and drawing lines, the layers by
// name and the model-space entities in order.
struct Probe {
    int status = -1;
    std::string output;
    Fields audit, structure, drawing;
    std::map<std::string, Fields> layers;
    std::vector<Fields> entities;
};

inline Probe probe(const std::string& path) {
    Probe p;
    p.output = ezdxf({"probe", path}, &p.status);
    size_t pos = 0;
    while (pos < p.output.size()) {
        size_t end = p.output.find('\n', pos);
        if (end == std::string::npos) end = p.output.size();
        std::string line = p.output.substr(pos, end - pos);
        pos = end + 1;
        std::vector<std::string> parts;
        size_t b = 0;
        while (true) {
            size_t t = line.find('\t', b);
            parts.push_back(line.substr(b, t == std::string::npos ? std::string::npos : t - b));
            if (t == std::string::npos) break;
            b = t + 1;
        }
        Fields f;
        for (size_t i = 1; i < parts.size(); ++i) {
            size_t eq = parts[i].find('=');
            if (eq != std::string::npos) f[parts[i].substr(0, eq)] = parts[i].substr(eq + 1);
        }
        if (parts[0] == "audit") p.audit = f;
        else if (parts[0] == "structure") p.structure = f;
        else if (parts[0] == "drawing") p.drawing = f;
        else if (parts[0] == "layer") p.layers[f["name"]] = f;
        else if (parts[0] == "entity") p.entities.push_back(f);
    }
    return p;
}

// "1.0,2.0,3.0;4.0,5.0,6.0" -> {1,2,3,4,5,6}
inline std::vector<double> numbers(const std::string& s) {
    std::vector<double> out;
    const char* p = s.c_str();
    while (*p) {
        char* end = nullptr;
        double v = std::strtod(p, &end);
        if (end == p) {
            ++p;
            continue;
        }
        out.push_back(v);
        p = end;
    }
    return out;
}

// A fresh folder under the system's temporary directory, removed with its contents.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "korvane-test-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data())) path = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

}  // namespace korvane_test
