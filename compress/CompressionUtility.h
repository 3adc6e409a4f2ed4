#pragma once
// The compression utility: opens the game ROM, unpacks a known block to a data
// file in the "Comp" folder with a one-line record of where it came from, and
// packs an edited data file back into the ROM from such a record.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/port/Port.h"

namespace vt2comp {

// Block menu table: the decompress menu items select a block by their tag.
inline constexpr std::array<uint32_t, 2> kBlockTable = {0xC06321, 0xC08F80};
inline constexpr const char* kStartMenuTilesItem = "Start Menu Tiles - $C06321";

// Larger files are refused as if they could not be held in memory.
inline constexpr uint64_t kMaxRomSize = 64u << 20;

struct CompState {
    std::string StartFolder;  // all output goes below it
    std::string RomPath;      // empty = no ROM loaded
    uint64_t RomSize = 0;
    uint32_t HeaderSize = 0;  // 0x200 when bit 9 of the file length is set
    std::vector<uint8_t> RomBuffer;  // the whole file, header included
    std::vector<uint8_t> WorkArea;   // kWorkAreaSize bytes while a ROM is loaded
    std::vector<std::string> ListBox1;
    bool Modified = false;  // the ROM in memory differs from RomPath's file
    std::string WrittenPath;  // the last file written (data file or ROM)

    bool romLoaded() const { return !RomPath.empty(); }
    // The ROM proper: the buffer after the copier header.
    std::span<const uint8_t> RomImage() const;
};

// The window showing the utility's list.
class CompressionView {
public:
    virtual ~CompressionView() = default;
    // ListBox1 changed; called before pending events are processed.
    virtual void listChanged() = 0;
};

class CompressionUtility {
public:
    explicit CompressionUtility(std::string startFolder);

    const CompState& state() const { return s_; }

    void setView(CompressionView* v) { view_ = v; }

    // File > Open ROM File: open dialog, read, title check.
    void openRom(common::Port& port);
    // File > Save ROM File: the whole buffer over RomPath.
    void saveRom(common::Port& port);
    // Edit > Decompress Block > the item with this tag.
    void decompressBlock(int tag, common::Port& port);
    // Edit > Recompress Block: every ".COMP" line of a chosen record file.
    void recompress(common::Port& port);
    // Before Exit or closing the window: a changed ROM is offered for saving
    // (Yes saves, No discards). False when saving failed and the window
    // should stay open.
    bool closeQuery(common::Port& port);
    // File > Exit: frees the ROM and the work area; a running record file
    // stops after its current line.
    void exit();

    // The status bar: the loaded ROM's name and size, unsaved changes and
    // the last file written; empty before anything happened.
    std::string statusText() const;

    // Output names for a block whose file offset (S + HeaderSize) is F.
    std::string compFolder() const;
    std::string recordPath(uint64_t fileOffset) const;
    std::string dataPath(uint64_t fileOffset) const;

    // The ROM offset of a block menu tag, or nothing for an unknown tag.
    static std::optional<uint32_t> blockOffset(int tag);

private:
    std::span<uint8_t> romImage();
    std::span<uint8_t> dataRegion();
    std::span<uint8_t> packedRegion();
    void unload();
    void clearList();
    void addLine(std::string line);
    void recompressLine(const std::string& line);
    bool writeRom(common::Port& port);
    bool keepEditedDataFile(const std::string& data, std::span<const uint8_t> unpacked, common::Port& port);

    CompState s_;
    CompressionView* view_ = nullptr;
    // Set while a record file runs: the events processed between its lines
    // may ask for other commands, which wait until it is done.
    bool busy_ = false;
};

}  // namespace vt2comp
