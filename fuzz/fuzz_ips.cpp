// IPS patches: any bytes are read as a patch, with the same outcome and
// file as a plain reader written from the format; a patch made from the
// input's two halves rebuilds the second half from the first.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "fuzz/IpsReference.h"
#include "hexedit/romtools/Ips.h"

using namespace hexedit::romtools;

namespace {
constexpr fuzzref::IpsLayout kIps{"PATCH", 3, kIpsEofOffset};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> in(data, size);
    // Records may lengthen the file to 16 MiB; past 1 MiB only the reference
    // reads them, so that the cost of an input follows its size.
    const fuzzref::IpsRead expected = fuzzref::readIps(in, kIps, 64);
    if (expected.length <= (size_t{1} << 20)) {
        std::vector<uint8_t> file(64, 0x5A), reference = file;
        const IpsApplyResult r = applyIps(in, file);
        FUZZ_CHECK(static_cast<int>(r.status) == static_cast<int>(expected.outcome));
        if (r.status == IpsApplyStatus::Truncated) FUZZ_CHECK(r.failedAt == expected.failedAt);
        if (r.status == IpsApplyStatus::Ok) {
            fuzzref::readIps(in, kIps, 64, &reference);
            FUZZ_CHECK(file == reference);
        }
    }

    const size_t half = size / 2;
    const auto unchanged = in.first(half);
    const auto edited = in.subspan(half);
    const IpsCreateResult made = createIps(unchanged, edited);
    FUZZ_CHECK(made.status != IpsCreateStatus::OutOfRange);
    std::vector<uint8_t> rebuilt(unchanged.begin(), unchanged.end());
    FUZZ_CHECK(applyIps(made.patch, rebuilt).status == IpsApplyStatus::Ok);
    FUZZ_CHECK(rebuilt.size() == std::max(unchanged.size(), edited.size()));
    FUZZ_CHECK(std::equal(edited.begin(), edited.end(), rebuilt.begin()));
    return 0;
}
