#pragma once
// The one argument of a data generator: the output folder, or --help.

#include <cstdio>
#include <optional>
#include <string>

namespace tools {

// The folder named on the command line. Otherwise prints `usage` (to
// standard output for --help, else to standard error) and sets `status` to
// the exit status: 0 for --help, 2 for wrong arguments.
inline std::optional<std::string> folderArgument(int argc, char** argv, const char* usage, int& status) {
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "--help" || arg == "-h") {
        std::fputs(usage, stdout);
        status = 0;
        return std::nullopt;
    }
    if (argc != 2 || arg.empty() || arg[0] == '-') {
        std::fputs(usage, stderr);
        status = 2;
        return std::nullopt;
    }
    return arg;
}

}  // namespace tools
