#include "hexedit/romtools/PatchFormats.h"

#include <algorithm>
#include <cctype>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "common/fileio.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/Ips32.h"

namespace hexedit::romtools {

namespace {

bool startsWith(std::span<const uint8_t> data, std::string_view magic) {
    return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

constexpr char kNotPerformed[] = "\n No patching performed.";

std::string tooLarge(const std::string& name) {
    return "The patch \"" + name + "\" makes a file of 2 GB or more." + kNotPerformed;
}

constexpr char kSameFiles[] = " These files are the same.\n No patch created.";

}  // namespace

PatchFormat patchFormatOf(std::span<const uint8_t> patch) {
    if (startsWith(patch, "IPS32")) return PatchFormat::Ips32;
    if (startsWith(patch, "PATCH")) return PatchFormat::Ips;
    if (looksLikeBps(patch)) return PatchFormat::Bps;
    return PatchFormat::Unknown;
}

PatchFormat patchFormatForName(const std::string& path) {
    const std::string name = lower(common::fileNameOf(path));
    if (name.ends_with(".bps")) return PatchFormat::Bps;
    if (name.ends_with(".ips32")) return PatchFormat::Ips32;
    if (name.ends_with(".ips")) return PatchFormat::Ips;
    return PatchFormat::Unknown;
}

const char* patchFormatName(PatchFormat f) {
    switch (f) {
    case PatchFormat::Ips: return "IPS";
    case PatchFormat::Ips32: return "IPS32";
    case PatchFormat::Bps: return "BPS";
    default: return "unknown";
    }
}

std::string bpsRefusal(const BpsApplyResult& r) {
    char text[256];
    switch (r.status) {
    case BpsApplyStatus::Ok: return {};
    case BpsApplyStatus::BadHeader: return "Not a valid \"BPS1\" file!";
    case BpsApplyStatus::PatchChecksum: return std::string("The BPS patch is damaged: its own CRC32 does not match.") + kNotPerformed;
    case BpsApplyStatus::WrongSource:
        std::snprintf(text, sizeof text,
                      "This BPS patch was made for another file.\n Expected source CRC32: %08X (%llu bytes)\n"
                      " Found source CRC32:    %08X%s",
                      r.expectedSourceCrc, static_cast<unsigned long long>(r.expectedSourceSize), r.foundSourceCrc,
                      kNotPerformed);
        return text;
    case BpsApplyStatus::Malformed: return std::string("The BPS patch is damaged: an action reaches outside the files.") + kNotPerformed;
    case BpsApplyStatus::TooLarge: return std::string("The BPS patch makes a file of 2 GB or more.") + kNotPerformed;
    case BpsApplyStatus::TargetChecksum:
        return std::string("The patched file does not have the CRC32 the BPS patch expects.") + kNotPerformed;
    }
    return {};
}

PatchOutcome readPatchRecords(std::span<const uint8_t> patch, const std::string& name, const RecordVisitor& visit) {
    PatchOutcome out;
    const std::string cut = "The patch \"" + name + "\" ends inside a record." + kNotPerformed;
    switch (patchFormatOf(patch)) {
    case PatchFormat::Ips:
        if (readIps(patch, visit).status != IpsApplyStatus::Ok) {
            out.message = cut;
            return out;
        }
        break;
    case PatchFormat::Ips32:
        switch (readIps32(patch, visit)) {
        case Ips32ApplyStatus::Ok: break;
        case Ips32ApplyStatus::TooLarge:
            out.message = tooLarge(name);
            return out;
        default: out.message = cut; return out;
        }
        break;
    default: return out;
    }
    out.ok = true;
    return out;
}

PatchOutcome applyAnyPatch(std::span<const uint8_t> patch, const std::string& name, std::vector<uint8_t>& file) {
    PatchOutcome out;
    const PatchFormat format = patchFormatOf(patch);
    switch (format) {
    case PatchFormat::Bps: {
        BpsApplyResult r = applyBps(patch, file);
        if (r.status != BpsApplyStatus::Ok) {
            out.message = bpsRefusal(r);
            return out;
        }
        file = std::move(r.target);
        break;
    }
    case PatchFormat::Ips:
    case PatchFormat::Ips32: {
        // Read through once to check all of it, then apply in place: no
        // copy of the file.
        size_t end = file.size();
        out = readPatchRecords(patch, name, [&end](const PatchRecord& rec) {
            end = std::max(end, static_cast<size_t>(rec.offset) + rec.count);
        });
        if (!out.ok) return out;
        file.resize(end);
        readPatchRecords(patch, name, [&file](const PatchRecord& rec) { applyRecords(std::span(&rec, 1), file); });
        return out;
    }
    default: out.message = "Not a valid \"PATCH\" file!"; return out;
    }
    out.ok = true;
    return out;
}

PatchOutcome applyPatchToFile(std::span<const uint8_t> patch, const std::string& name, int source, uint64_t sourceSize,
                              int out) {
    PatchOutcome result;
    const PatchFormat format = patchFormatOf(patch);
    switch (format) {
    case PatchFormat::Bps: {
        const BpsApplyResult r = applyBpsToFile(patch, source, sourceSize, out);
        result.message = bpsRefusal(r);
        break;
    }
    case PatchFormat::Ips:
    case PatchFormat::Ips32: {
        // Every record is read before anything is written: the new length
        // is known, and a patch cut short writes nothing.
        uint64_t length = sourceSize;
        result = readPatchRecords(patch, name, [&length](const PatchRecord& rec) {
            length = std::max<uint64_t>(length, rec.offset + rec.count);
        });
        if (!result.ok) break;
        if (length > kIps32MaxFile) {
            result.message = tooLarge(name);
            break;
        }
        if (!common::copyBytes(source, 0, out, sourceSize)) throw std::runtime_error("cannot copy the file to patch");
        // Records write where they point; past the end the file grows, with
        // zero bytes in any gap.
        std::vector<uint8_t> run;
        readPatchRecords(patch, name, [&](const PatchRecord& rec) {
            const uint8_t* data = rec.data.data();
            if (rec.data.empty()) {
                run.assign(rec.count, rec.value);
                data = run.data();
            }
            for (size_t done = 0; done < rec.count;) {
                const ssize_t n = ::pwrite(out, data + done, rec.count - done, static_cast<off_t>(rec.offset + done));
                if (n <= 0 && errno != EINTR) throw std::runtime_error("cannot write the patched file");
                if (n > 0) done += static_cast<size_t>(n);
            }
        });
        break;
    }
    default: result.message = "Not a valid \"PATCH\" file!"; break;
    }
    result.ok = result.message.empty();
    return result;
}

PatchMade createPatch(PatchFormat format, std::span<const uint8_t> unchanged, std::span<const uint8_t> edited,
                      bool* tooLargeForIps, const PassedFn& passed) {
    PatchMade out;
    if (tooLargeForIps) *tooLargeForIps = false;
    switch (format) {
    case PatchFormat::Ips: {
        IpsCreateResult r = createIps(unchanged, edited);
        if (r.status == IpsCreateStatus::Identical) {
            out.identical = true;
            out.message = kSameFiles;
            return out;
        }
        if (r.status == IpsCreateStatus::OutOfRange) {
            char text[160];
            std::snprintf(text, sizeof text,
                          " The files differ at offset %08X.\n An IPS patch cannot reach 16 MB and beyond.\n No patch created.",
                          r.firstOutOfRange);
            out.message = text;
            if (tooLargeForIps) *tooLargeForIps = true;
            return out;
        }
        out.patch = std::move(r.patch);
        break;
    }
    case PatchFormat::Bps:
        // Made first and judged after: one pass over both files, not two.
        out.patch = createBps(unchanged, edited, passed);
        if (bpsKeepsSource(out.patch)) {
            out.patch.clear();
            out.identical = true;
            out.message = kSameFiles;
            return out;
        }
        break;
    case PatchFormat::Ips32: {
        Ips32CreateResult r = createIps32(unchanged, edited);
        if (r.status == Ips32CreateStatus::Identical) {
            out.identical = true;
            out.message = kSameFiles;
            return out;
        }
        if (r.status == Ips32CreateStatus::TooLarge) {
            out.message = " An IPS32 patch cannot reach 4 GB and beyond.\n No patch created.";
            return out;
        }
        out.patch = std::move(r.patch);
        break;
    }
    default:
        out.message = "Unknown patch format.";
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace hexedit::romtools
