#pragma once
// Subcommands of the command-line program over the model libraries. Each
// add* function registers its subcommand; the callback leaves the exit
// status in `status`.

#include <CLI/CLI.hpp>

#include "common/MappedFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cli {

enum Status { Success = 0, Failure = 1, UsageError = 2 };

void addFind(CLI::App& app, int& status);
void addPatch(CLI::App& app, int& status);
void addRom(CLI::App& app, int& status);
void addScript(CLI::App& app, int& status);
void addTable(CLI::App& app, int& status);
void addVt2(CLI::App& app, int& status);

// A whole file, or standard input for "-". False after telling stderr.
bool readInput(const std::string& path, std::vector<uint8_t>& out);
// A file's bytes without copying them: mapped when it is a regular file,
// else (standard input for "-", pipes) read whole.
struct InputBytes {
    common::MappedFile mapped;
    std::vector<uint8_t> read;
    std::span<const uint8_t> bytes;
};
// False after telling stderr.
bool openInput(const std::string& path, InputBytes& in);
// Writes safely to `path` (complete new file or the old one untouched), or
// to standard output for "-". False after telling stderr.
bool writeOutput(const std::string& path, const std::vector<uint8_t>& data);
// The same for content made by `produce` (see common::writeFileAtomic);
// returns what went wrong, without telling anybody.
std::string writeOutput(const std::string& path, const std::function<std::string(int fd)>& produce);
// Parses a hexadecimal offset ("1F0", "0x1F0" or "$1F0"), for option checks.
bool parseOffset(const std::string& text, uint32_t& value);

}  // namespace cli
