#include "host/host.h"

namespace korvane::host {

std::string XData::text(size_t i) const {
    if (i >= values.size()) return {};
    if (auto s = std::get_if<std::string>(&values[i])) return *s;
    return {};
}

}  // namespace korvane::host
