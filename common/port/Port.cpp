#include "common/port/Port.h"

namespace common {

namespace {
std::vector<std::string> split(std::string_view s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t pos = s.find(sep, start);
        parts.emplace_back(s.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return parts;
}
}  // namespace

std::vector<FilterEntry> parseFilter(std::string_view filter) {
    std::vector<FilterEntry> entries;
    if (filter.empty()) return entries;
    auto fields = split(filter, '|');
    for (size_t i = 0; i < fields.size(); i += 2) {
        FilterEntry e;
        e.label = fields[i];
        if (i + 1 < fields.size()) {
            for (auto& p : split(fields[i + 1], ';'))
                if (!p.empty()) e.patterns.push_back(p);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace common
