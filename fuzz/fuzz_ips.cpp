// IPS patches: any bytes are read as a patch without a fault, and a file
// only grows; a patch made from the input's two halves rebuilds the second
// half from the first.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "hexedit/romtools/Ips.h"

using namespace hexedit::romtools;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> in(data, size);
    std::vector<uint8_t> file(64, 0x5A);
    const IpsApplyResult r = applyIps(in, file);
    FUZZ_CHECK(file.size() >= 64);
    FUZZ_CHECK(r.status != IpsApplyStatus::Truncated || r.failedAt < size);

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
