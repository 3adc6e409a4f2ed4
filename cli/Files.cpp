#include <unistd.h>

#include <iostream>
#include <iterator>

#include "cli/Cli.h"
#include "common/fileio.h"
#include "common/hexdigits.h"

namespace cli {

bool readInput(const std::string& path, std::vector<uint8_t>& out) {
    out.clear();
    if (path == "-") {
        out.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    if (common::readWholeFile(path, out) == common::ReadStatus::Ok) return true;
    std::cerr << path << ": cannot be read\n";
    return false;
}

bool openInput(const std::string& path, InputBytes& in) {
    if (path != "-" && in.mapped.open(path).empty()) {
        in.bytes = in.mapped.bytes();
        return true;
    }
    if (!readInput(path, in.read)) return false;
    in.bytes = in.read;
    return true;
}

bool writeOutput(const std::string& path, const std::vector<uint8_t>& data) {
    if (path == "-") {
        std::cout.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        std::cout.flush();
        return static_cast<bool>(std::cout);
    }
    const std::string error = common::writeFileAtomic(path, std::span<const uint8_t>(data));
    if (error.empty()) return true;
    std::cerr << path << ": " << error << '\n';
    return false;
}

std::string writeOutput(const std::string& path, const std::function<std::string(int fd)>& produce) {
    std::string error;
    if (path == "-") {
        // Made whole first: a failure leaves standard output untouched.
        const int fd = common::anonymousFile();
        if (fd < 0) {
            error = "cannot create a temporary file";
        } else {
            error = produce(fd);
            const off_t length = ::lseek(fd, 0, SEEK_END);
            std::cout.flush();
            if (error.empty() && (length < 0 || !common::copyBytes(fd, 0, STDOUT_FILENO, static_cast<uint64_t>(length))))
                error = "cannot write";
            ::close(fd);
        }
    } else {
        error = common::writeFileAtomic(path, common::Producer(produce));
    }
    return error;
}

bool parseOffset(const std::string& text, uint32_t& value) {
    std::string_view t = text;
    if (t.starts_with("0x") || t.starts_with("0X")) t.remove_prefix(2);
    else if (t.starts_with("$")) t.remove_prefix(1);
    if (t.empty()) return false;
    const auto v = common::parseHex(t, 8);
    if (!v || *v > UINT32_MAX) return false;
    value = static_cast<uint32_t>(*v);
    return true;
}

}  // namespace cli
