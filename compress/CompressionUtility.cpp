#include "compress/CompressionUtility.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "common/fileio.h"
#include "common/gamerom.h"
#include "compress/Codec.h"
#include "compress/RecordFile.h"

namespace vt2comp {

namespace {

constexpr uint64_t kMaxRecordFileSize = 16u << 20;

std::string hex(const char* format, uint64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, static_cast<unsigned long long>(value));
    return buf;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::span<const uint8_t> CompState::RomImage() const {
    if (RomBuffer.size() < HeaderSize) return {};
    return std::span<const uint8_t>(RomBuffer).subspan(HeaderSize);
}

CompressionUtility::CompressionUtility(std::string startFolder) { s_.StartFolder = std::move(startFolder); }

std::optional<uint32_t> CompressionUtility::blockOffset(int tag) {
    if (tag < 0 || static_cast<size_t>(tag) >= kBlockTable.size()) return std::nullopt;
    return common::gamerom::snesToRom(kBlockTable[static_cast<size_t>(tag)]);
}

std::string CompressionUtility::compFolder() const {
    const std::string& start = s_.StartFolder;
    if (!start.empty() && start.back() == '/') return start + "Comp";
    return start + "/Comp";
}

std::string CompressionUtility::recordPath(uint64_t fileOffset) const {
    return compFolder() + hex("/%08llX.txt", fileOffset);
}

std::string CompressionUtility::dataPath(uint64_t fileOffset) const {
    return compFolder() + hex("/VT2_%llX.dat", fileOffset);
}

std::span<uint8_t> CompressionUtility::romImage() {
    return std::span<uint8_t>(s_.RomBuffer).subspan(s_.HeaderSize);
}

std::span<uint8_t> CompressionUtility::dataRegion() {
    return std::span<uint8_t>(s_.WorkArea).subspan(kDataOffset, kDataCapacity);
}

std::span<uint8_t> CompressionUtility::packedRegion() {
    return std::span<uint8_t>(s_.WorkArea).subspan(kPackedOffset, kPackedCapacity);
}

void CompressionUtility::unload() {
    s_.RomPath.clear();
    s_.RomSize = 0;
    s_.HeaderSize = 0;
    s_.Modified = false;
    std::vector<uint8_t>().swap(s_.RomBuffer);
    std::vector<uint8_t>().swap(s_.WorkArea);
}

void CompressionUtility::clearList() {
    s_.ListBox1.clear();
    if (view_) view_->listChanged();
}

void CompressionUtility::addLine(std::string line) {
    s_.ListBox1.push_back(std::move(line));
    if (view_) view_->listChanged();
}

void CompressionUtility::openRom(common::Port& port) {
    if (busy_) return;
    common::OpenRequest request;
    request.initialFolder = s_.StartFolder;
    request.filter = "Snes file | *.smc;*.sfc";
    auto path = port.openFile(request);
    if (!path) return;

    std::vector<uint8_t> buffer;
    std::vector<uint8_t> work;
    common::ReadStatus status;
    try {
        status = common::readWholeFile(*path, buffer, kMaxRomSize);
        work.assign(kWorkAreaSize, 0);
    } catch (const std::bad_alloc&) {
        port.inform("Fatal Error: Could not allocate needed memory.", {}, common::MsgIcon::Stop);
        return;
    }
    switch (status) {
        case common::ReadStatus::Ok: break;
        case common::ReadStatus::TooLarge:
            port.inform("Fatal Error: Could not allocate needed memory.", {}, common::MsgIcon::Stop);
            return;
        case common::ReadStatus::CannotOpen:
        case common::ReadStatus::ReadError:
            port.inform("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);
            return;
    }
    // The new file replaces whatever was loaded, also when it is refused.
    unload();
    const uint32_t header = common::gamerom::headerSize(buffer.size());
    std::span<const uint8_t> image(buffer);
    if (!common::gamerom::titleMatches(image.subspan(std::min<size_t>(header, image.size())))) {
        port.inform("This is not the correct ROM.\nPlease load the correct ROM file.", {}, common::MsgIcon::Exclamation);
        return;
    }
    s_.RomPath = *path;
    s_.RomSize = buffer.size();
    s_.HeaderSize = header;
    s_.RomBuffer = std::move(buffer);
    s_.WorkArea = std::move(work);
}

void CompressionUtility::saveRom(common::Port& port) {
    if (busy_ || !s_.romLoaded()) return;
    writeRom(port);
}

bool CompressionUtility::writeRom(common::Port& port) {
    if (!common::writeFileAtomic(s_.RomPath, std::span<const uint8_t>(s_.RomBuffer)).empty()) {
        port.inform("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);
        return false;
    }
    s_.Modified = false;
    s_.WrittenPath = s_.RomPath;
    port.inform(quoted(common::fileNameOf(s_.RomPath)) + " has been saved!", {}, common::MsgIcon::Exclamation);
    return true;
}

bool CompressionUtility::closeQuery(common::Port& port) {
    if (!s_.romLoaded() || !s_.Modified) return true;
    const std::optional<bool> save =
        port.askOrCancel("The ROM has been changed by recompressing. Do you wish to save it?", "ROM Data Modified...");
    if (!save) return false;  // Cancel keeps the program open
    return !*save || writeRom(port);
}

// True when the data file holds what overwriting it would lose (the user
// edited it) and the user wants it kept. A file that the unpacked bytes only
// extend, as by the padding of the last group, loses nothing.
bool CompressionUtility::keepEditedDataFile(const std::string& data, std::span<const uint8_t> unpacked,
                                            common::Port& port) {
    if (!common::fileExists(data)) return false;
    std::vector<uint8_t> old;
    const auto status = common::readWholeFile(data, old, unpacked.size());
    if (status == common::ReadStatus::Ok && std::equal(old.begin(), old.end(), unpacked.begin())) return false;
    return !port.ask(quoted(common::fileNameOf(data)) +
                         " differs from the block in the ROM and may hold your edits.\nDo you wish to overwrite it?",
                     "Overwrite Data File...");
}

void CompressionUtility::decompressBlock(int tag, common::Port& port) {
    if (busy_ || !s_.romLoaded()) return;
    auto start = blockOffset(tag);
    if (!start) return;
    const uint64_t fileOffset = *start + uint64_t(s_.HeaderSize);
    const std::string data = dataPath(fileOffset);
    const std::string record = recordPath(fileOffset);
    const std::string dataName = common::fileNameOf(data);

    std::error_code ec;
    std::filesystem::create_directory(compFolder(), ec);  // an existing folder is fine

    clearList();
    // Decoded in full before anything is written, so a damaged block leaves
    // no files behind; with room for the zero literals that pad the last
    // group of a block packed from a data file near the limit, which are
    // trimmed again.
    std::vector<uint8_t> unpacked(kDataCapacity + kGroupPadding);
    DecodeResult decoded = DecodeBlock(romImage(), *start, unpacked);
    if (decoded.status == DecodeStatus::OutsideImage) {
        addLine("Error: Compressed block runs past the end of the ROM image. [ " + dataName + " ]");
        return;
    }
    if (decoded.status == DecodeStatus::OutputFull) {
        addLine("Error: Compressed block unpacks to more than 65536 bytes. [ " + dataName + " ]");
        return;
    }
    const size_t count = std::min(decoded.count, kDataCapacity);
    std::copy_n(unpacked.begin(), count, dataRegion().begin());
    const auto bytes = dataRegion().first(count);
    if (keepEditedDataFile(data, bytes, port)) return;
    // The data file first: a record never names a file that was not written.
    if (!common::writeFileAtomic(data, bytes).empty()) {
        port.inform("Fatal Error: Could not open output file. Closing decompressor...", {}, common::MsgIcon::Stop);
        return;
    }
    if (!common::writeFileAtomic(record, formatRecordLine(data, *start, static_cast<uint32_t>(decoded.end))).empty()) {
        port.inform("Error: Could not open 'TEXT SOURCE' file.", {}, common::MsgIcon::Exclamation);
        return;
    }
    s_.WrittenPath = data;
    addLine("Sucessfully decompressed " + quoted(dataName));
}

std::string CompressionUtility::statusText() const {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " | ") + part; };
    if (s_.romLoaded())
        add("ROM: " + common::fileNameOf(s_.RomPath) + " (" + std::to_string(s_.RomSize) + " bytes" +
            (s_.HeaderSize ? ", copier header" : "") + ")");
    if (s_.romLoaded() && s_.Modified) add("Unsaved changes");
    if (!s_.WrittenPath.empty()) add("Written: " + s_.WrittenPath);
    return text;
}

void CompressionUtility::recompress(common::Port& port) {
    if (busy_ || !s_.romLoaded() || s_.WorkArea.size() != kWorkAreaSize) return;
    common::OpenRequest request;
    request.initialFolder = s_.StartFolder;
    request.filter = "All Files | *.*";
    auto path = port.openFile(request);
    if (!path) return;

    std::vector<uint8_t> text;
    if (common::readWholeFile(*path, text, kMaxRecordFileSize) != common::ReadStatus::Ok) {
        port.inform("Error: Could not open TEXT SOURCE file.", {}, common::MsgIcon::Exclamation);
        return;
    }

    clearList();
    busy_ = true;
    size_t pos = 0;
    while (pos < text.size() && s_.romLoaded()) {
        size_t eol = pos;
        while (eol < text.size() && text[eol] != '\n') ++eol;
        std::string line(text.begin() + static_cast<std::ptrdiff_t>(pos), text.begin() + static_cast<std::ptrdiff_t>(eol));
        pos = eol + 1;
        recompressLine(line);
        port.processEvents();
    }
    busy_ = false;
}

void CompressionUtility::recompressLine(const std::string& line) {
    Record record;
    switch (parseRecordLine(line, record)) {
        case RecordLineKind::Other: return;
        case RecordLineKind::Malformed: {
            std::string shown = line;
            while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
            addLine("Error: Could not read the record line. [ " + shown + " ]");
            return;
        }
        case RecordLineKind::Record: break;
    }
    const std::string name = common::fileNameOf(record.dataPath);

    std::vector<uint8_t> data;
    switch (common::readWholeFile(record.dataPath, data, kDataCapacity)) {
        case common::ReadStatus::Ok: break;
        case common::ReadStatus::TooLarge:
            addLine("Error: Data file is larger than 65536 bytes. [ " + name + " ]");
            return;
        case common::ReadStatus::CannotOpen:
        case common::ReadStatus::ReadError:
            addLine("Fatal Error: Could not open " + quoted(name) + ".");
            return;
    }
    auto region = dataRegion();
    std::copy(data.begin(), data.end(), region.begin());

    EncodeResult r = EncodeBlock(region.first(data.size()), packedRegion(), romImage(), record.start, record.end);
    if (r.status == EncodeStatus::Ok && r.changed) s_.Modified = true;
    switch (r.status) {
        case EncodeStatus::Ok: addLine("Success: Data was recompressed completely! [ " + name + " ] "); break;
        case EncodeStatus::TooLarge:
            addLine("Error: Data size too large to recompress. [ " + name + " ] [ " + std::to_string(r.bytesOver) +
                    " BYTES over ]");
            break;
        case EncodeStatus::OutsideImage:
            addLine("Error: Record offsets lie outside the ROM image. [ " + name + " ]");
            break;
        case EncodeStatus::WorkAreaFull: addLine("Error: Packed data outgrows the work area. [ " + name + " ]"); break;
        case EncodeStatus::StreamTooLong:
            addLine("Error: Packed data is longer than 32767 bytes. [ " + name + " ]");
            break;
    }
}

void CompressionUtility::exit() { unload(); }

}  // namespace vt2comp
