// IPS32 patches: any bytes are read as a patch, with the same outcome and
// file as a plain reader written from the format; a patch made from the input's two
// halves rebuilds the second half from the first.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "fuzz/IpsReference.h"
#include "hexedit/romtools/Ips32.h"

using namespace hexedit::romtools;

namespace {

constexpr size_t kFileSize = 64;
// Patches that lengthen the file past this are only read by the reference:
// the limit on what a patch may allocate is the decoder's own, and a
// fuzzing run must not spend its time and memory on zero bytes.
constexpr size_t kLargest = size_t{1} << 20;
constexpr fuzzref::IpsLayout kIps32{"IPS32", 4, kIps32EofOffset};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> in(data, size);
    const fuzzref::IpsRead expected = fuzzref::readIps(in, kIps32, kFileSize);
    if (expected.length <= kLargest) {
        std::vector<uint8_t> file(kFileSize, 0x5A), reference = file;
        const Ips32ApplyStatus status = applyIps32(in, file);
        FUZZ_CHECK(status == (expected.outcome == fuzzref::IpsRead::Ok          ? Ips32ApplyStatus::Ok
                              : expected.outcome == fuzzref::IpsRead::BadHeader ? Ips32ApplyStatus::BadHeader
                                                                                : Ips32ApplyStatus::Truncated));
        if (status == Ips32ApplyStatus::Ok) {
            fuzzref::readIps(in, kIps32, kFileSize, &reference);
            FUZZ_CHECK(file == reference);
        }
    }

    const auto unchanged = in.first(size / 2);
    const auto edited = in.subspan(size / 2);
    const Ips32CreateResult made = createIps32(unchanged, edited);
    if (made.status == Ips32CreateStatus::Identical) {
        // A patch cannot shorten a file: only the bytes the edited file has count.
        FUZZ_CHECK(edited.size() <= unchanged.size() && std::equal(edited.begin(), edited.end(), unchanged.begin()));
        return 0;
    }
    FUZZ_CHECK(made.status == Ips32CreateStatus::Ok);
    std::vector<uint8_t> rebuilt(unchanged.begin(), unchanged.end());
    FUZZ_CHECK(applyIps32(made.patch, rebuilt) == Ips32ApplyStatus::Ok);
    FUZZ_CHECK(rebuilt.size() == std::max(unchanged.size(), edited.size()));
    FUZZ_CHECK(std::equal(edited.begin(), edited.end(), rebuilt.begin()));
    return 0;
}
