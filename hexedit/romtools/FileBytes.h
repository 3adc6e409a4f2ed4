#pragma once
// A whole file read into a buffer that is not zeroed first: the IPS
// commands read files of many megabytes and only compare or copy them.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/fileio.h"

namespace hexedit::romtools {

class FileBytes {
public:
    // Refuses files over `maxLength` before allocating anything; throws
    // std::bad_alloc when the memory cannot be had.
    common::ReadStatus read(const std::string& path, uint64_t maxLength);
    std::span<const uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
};

}  // namespace hexedit::romtools
