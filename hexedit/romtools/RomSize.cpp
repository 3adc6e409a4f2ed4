#include "hexedit/romtools/RomSize.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace hexedit::romtools {

std::string megabyteText(double megabytes) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, megabytes, std::chars_format::fixed, 6);
    std::string s(text, r.ec == std::errc() ? r.ptr : text);
    const size_t point = s.find('.');
    if (point != std::string::npos && point + 2 <= s.size()) s.resize(point + 2);
    return s;
}

std::string romSizeText(SizeUnit unit, int64_t bufferSize) {
    switch (unit) {
    case SizeUnit::MegaBits:
        return "Size of ROM: " + std::to_string(bufferSize >> 17) + " Mega BITS";
    case SizeUnit::MegaBytes:
        return "Size of ROM: " + megabyteText(static_cast<double>(bufferSize) / kMegaByte) + " Mega BYTES";
    case SizeUnit::Bytes:
        break;
    }
    return "Size of ROM: " + std::to_string(bufferSize) + " BYTES";
}

bool sizeFieldAccepts(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '\b'; }

int64_t leadingDecimal(std::string_view field) {
    constexpr int64_t cap = int64_t{1} << 62;
    int64_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9') break;
        v = v > cap / 10 ? cap : std::min(cap, v * 10 + (c - '0'));
    }
    return v;
}

std::optional<NewSize> readNewSize(SizeUnit unit, std::string_view field) {
    if (field.empty()) return std::nullopt;
    NewSize s;
    switch (unit) {
    case SizeUnit::Bytes:
        s.bytes = leadingDecimal(field);
        s.countText = std::to_string(s.bytes);
        s.unitText = "BYTE(S)";
        break;
    case SizeUnit::MegaBits: {
        const int64_t count = std::min(leadingDecimal(field), int64_t{1} << 40);
        s.bytes = count * kMegaBit;
        s.countText = std::to_string(s.bytes >> 17);
        s.unitText = "Mega-BIT(S)";
        break;
    }
    case SizeUnit::MegaBytes: {
        double mb = 0;
        const auto r = std::from_chars(field.data(), field.data() + field.size(), mb, std::chars_format::fixed);
        if (r.ec != std::errc() || !(mb >= 0)) mb = 0;
        mb = std::min(mb, 1e12);
        s.bytes = static_cast<int64_t>(mb * kMegaByte);
        s.countText = megabyteText(mb);
        s.unitText = "Mega-BYTE(S)";
        break;
    }
    }
    return s;
}

namespace {
std::string format2d(const std::string& count) {
    // "%2d": at least two characters, padded on the left.
    return count.size() < 2 ? std::string(2 - count.size(), ' ') + count : count;
}
}  // namespace

std::string resizeQuestion(SizeUnit unit, const NewSize& size) {
    if (unit == SizeUnit::MegaBytes) return "Expand the ROM to " + size.countText + " Mega-BYTE(S)?";
    return "Expand the ROM to " + format2d(size.countText) + " " + size.unitText + "?";
}

std::string resizedMessage(SizeUnit, const NewSize& size) {
    return "Rom expanded to " + size.countText + " " + size.unitText + "!\nSave ROM to save all changes.";
}

HeaderVerdict headerRemovalVerdict(std::string_view path, uint32_t headerSkip, int64_t fileSize) {
    if (headerSkip != 0) return HeaderVerdict::Savestate;
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view ext = name.substr(dot);
        auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
        if (ext.size() >= 3 && lower(ext[1]) == 'z' && lower(ext[2]) == 's') return HeaderVerdict::Savestate;
        if ((fileSize & kCopierHeader) == 0) return HeaderVerdict::NoHeader;
    }
    if (fileSize < kCopierHeader) return HeaderVerdict::NoHeader;
    return HeaderVerdict::Remove;
}

}  // namespace hexedit::romtools
