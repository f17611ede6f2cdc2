#pragma once
// Running programs from tests: shell quoting, a command's output and exit status, and the
// checker scripts of the test tree under Debian's python3 (the one with ezdxf and openpyxl).
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace korvane::test {

inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command; returns what it printed (standard error included) and, in `status`,
// its exit status (-1 when it did not exit normally).
inline std::string run(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// The command line that runs a script of the source tree (path from the tree's root).
inline std::string python_command(const std::string& script, const std::vector<std::string>& args) {
    std::string cmd = "/usr/bin/python3 " + quote(std::string(KORVANE_SOURCE_DIR) + "/" + script);
    for (const auto& a : args) cmd += " " + quote(a);
    return cmd;
}

}  // namespace korvane::test
