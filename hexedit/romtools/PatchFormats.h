#pragma once
// The patch formats side by side: recognising a patch by its first bytes,
// choosing a format from a file name, applying any of them to a copy of a
// file with the message to show when it fails.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/Ips.h"

namespace hexedit::romtools {

enum class PatchFormat { Unknown, Ips, Ips32, Bps };

// By the patch's header: "PATCH", "IPS32" or "BPS1".
PatchFormat patchFormatOf(std::span<const uint8_t> patch);
// By the extension of a file name (".ips", ".ips32", ".bps", any case).
PatchFormat patchFormatForName(const std::string& path);
const char* patchFormatName(PatchFormat f);

// Why a BPS patch was refused, in the words shown to the user.
std::string bpsRefusal(const BpsApplyResult& r);

struct PatchOutcome {
    bool ok = false;
    std::string message;  // what went wrong, when not ok
};

// Applies `patch` (any format, told by its header) to `file`. On failure
// `file` is left as it was. `name` names the patch in messages.
PatchOutcome applyAnyPatch(std::span<const uint8_t> patch, const std::string& name, std::vector<uint8_t>& file);

// IPS and IPS32 patches: hands the records to `visit` in order (as
// applyAnyPatch applies them), with the same outcome. A patch that fails
// may have handed some records on. Other formats are not ok, with no message.
PatchOutcome readPatchRecords(std::span<const uint8_t> patch, const std::string& name, const RecordVisitor& visit);

// The same as applyAnyPatch from a source file to an empty output file (open
// for reading and writing), without holding either in memory. The output is
// the patched file only when the outcome is ok. Throws std::runtime_error
// when a file cannot be read or written.
PatchOutcome applyPatchToFile(std::span<const uint8_t> patch, const std::string& name, int source, uint64_t sourceSize,
                              int out);

struct PatchMade {
    bool ok = false;
    bool identical = false;  // no patch because the files are the same
    std::vector<uint8_t> patch;
    std::string message;  // why no patch was made, when not ok
};

// A patch of `edited` against `unchanged` in `format`. Identical files make
// no patch; a plain IPS patch refuses differences at 16 MiB and beyond
// (tooLargeForIps is then set). A BPS patch tells `passed` how far it has
// read both files (see createBps).
PatchMade createPatch(PatchFormat format, std::span<const uint8_t> unchanged, std::span<const uint8_t> edited,
                      bool* tooLargeForIps = nullptr, const PassedFn& passed = {});

}  // namespace hexedit::romtools
