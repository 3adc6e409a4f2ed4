#include "hexedit/core/ConfigFile.h"

#include <algorithm>
#include <cctype>

#include "common/fileio.h"

namespace hexedit {

namespace {
constexpr size_t kColorBytes = kColorPairs * 8;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putString(std::vector<uint8_t>& out, std::string_view s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

// Sequential reading that stops at the end of the bytes.
struct Reader {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
    bool has(size_t n) const { return bytes.size() - pos >= n; }
    bool atEnd() const { return pos >= bytes.size(); }
    uint32_t get32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[pos++]) << (8 * i);
        return v;
    }
    uint8_t get8() { return bytes[pos++]; }
    // Up to a 0 byte (skipped) or the end.
    std::string getString() {
        std::string s;
        while (pos < bytes.size() && bytes[pos] != 0) s.push_back(static_cast<char>(bytes[pos++]));
        if (pos < bytes.size()) ++pos;
        return s;
    }
};

std::string emptyAsSpace(const std::string& s) { return s.empty() ? " " : s; }
std::string spaceAsEmpty(std::string s) { return s == " " ? std::string() : s; }
}  // namespace

std::vector<uint8_t> encodeConfig(const ConfigValues& v) {
    std::vector<uint8_t> out;
    out.reserve(kColorBytes + 64 + v.hexFontName.size() + v.textFontName.size() + v.appName.size() +
                v.appArgs.size());
    for (const ColorPair& p : v.colors) {
        put32(out, p.text);
        put32(out, p.background);
    }
    put32(out, static_cast<uint32_t>(v.height));
    put32(out, static_cast<uint32_t>(v.width));
    out.insert(out.end(), {'F', 'O', 'N', 'T', 0, v.hexFontSize, v.textFontSize, ' ', ' ', 0});
    putString(out, v.hexFontName);
    putString(out, v.textFontName);
    out.push_back(v.maximized ? 1 : 0);
    out.push_back(0);
    putString(out, emptyAsSpace(v.appName));
    putString(out, emptyAsSpace(v.appArgs));
    out.push_back(v.hideIns ? 1 : 0);
    out.push_back(v.onTop ? 1 : 0);
    out.push_back(v.valueInspector ? 1 : 0);
    out.push_back(v.markChanges ? 1 : 0);
    put32(out, v.changedColor);
    out.push_back(v.findAsShown ? 1 : 0);
    return out;
}

ConfigRead decodeConfig(std::span<const uint8_t> bytes) {
    ConfigRead r;
    Reader in{bytes};
    ConfigValues& v = r.values;
    r.level = ConfigLevel::Colors;
    for (ColorPair& p : v.colors) {
        if (!in.has(8)) return r;
        p.text = in.get32();
        p.background = in.get32();
        ++r.colorPairs;
    }
    if (!in.has(8)) return r;
    v.height = static_cast<int32_t>(in.get32());
    v.width = static_cast<int32_t>(in.get32());
    r.level = ConfigLevel::Size;
    if (!in.has(4)) return r;
    std::string tag;
    for (int i = 0; i < 4; ++i) tag.push_back(static_cast<char>(std::toupper(in.get8())));
    if (tag != "FONT") {
        r.level = ConfigLevel::WrongTag;
        return r;
    }
    if (!in.has(3)) return r;
    in.get8();
    v.hexFontSize = in.get8();
    v.textFontSize = in.get8();
    in.getString();  // the filler
    v.hexFontName = in.getString();
    v.textFontName = in.getString();
    r.level = ConfigLevel::Fonts;
    if (in.atEnd()) return r;
    v.maximized = in.get8() != 0;
    r.level = ConfigLevel::Maximized;
    if (in.atEnd()) return r;
    v.offsetPanel = (in.get8() & 1) != 0;
    r.level = ConfigLevel::OffsetPanel;
    if (in.atEnd()) return r;
    v.appName = spaceAsEmpty(in.getString());
    v.appArgs = spaceAsEmpty(in.getString());
    if (!in.atEnd()) v.hideIns = (in.get8() & 1) != 0;
    r.level = ConfigLevel::External;
    if (in.atEnd()) return r;
    v.onTop = in.get8() != 0;
    r.level = ConfigLevel::OnTop;
    if (in.atEnd()) return r;
    v.valueInspector = in.get8() != 0;
    r.level = ConfigLevel::ValueInspector;
    if (!in.has(5)) return r;
    v.markChanges = in.get8() != 0;
    v.changedColor = in.get32() & 0xFFFFFF;
    r.level = ConfigLevel::ChangedBytes;
    if (in.atEnd()) return r;
    v.findAsShown = in.get8() != 0;
    r.level = ConfigLevel::FindAsShown;
    return r;
}

std::string configFilePath(const std::string& workingFolder, const std::string& configHome,
                           const std::string& home) {
    auto join = [](const std::string& folder, const std::string& name) {
        if (folder.empty()) return name;
        return folder.back() == '/' ? folder + name : folder + "/" + name;
    };
    const std::string portable = join(workingFolder, kConfigName);
    if (common::fileExists(portable)) return portable;
    // Only an absolute XDG_CONFIG_HOME counts.
    const std::string base = !configHome.empty() && configHome.front() == '/' ? configHome : join(home, ".config");
    return join(join(base, "tarnwick"), kConfigName);
}

void RecentList::add(const std::string& path) {
    if (path.empty()) return;
    remove(path);
    items_.insert(items_.begin(), path);
    if (items_.size() > kRecentMax) items_.resize(kRecentMax);
}

void RecentList::remove(const std::string& path) { std::erase(items_, path); }

void RecentList::assign(std::vector<std::string> paths) {
    items_.clear();
    // Oldest last: adding from the end keeps the order and drops duplicates.
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) add(*it);
}

std::string encodeRecent(const RecentList& roms, const RecentList& tables) {
    std::string out = "[ROM]\n";
    for (const auto& p : roms.items()) out += p + "\n";
    out += "[TABLE]\n";
    for (const auto& p : tables.items()) out += p + "\n";
    return out;
}

void decodeRecent(std::string_view text, RecentList& roms, RecentList& tables) {
    std::vector<std::string> lists[2];
    int section = -1;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        // Every CR before the line end goes, so that the list reads back the
        // same after it is written.
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "[ROM]") section = 0;
        else if (line == "[TABLE]") section = 1;
        else if (section >= 0 && !line.empty()) lists[section].push_back(line);
    }
    roms.assign(std::move(lists[0]));
    tables.assign(std::move(lists[1]));
}

}  // namespace hexedit
