// Batch work with the toolset's model libraries: patches, the SNES
// checksum, dumps, searches, table checks and the VT2 block codec. Exit status 0 on
// success, 1 when the work failed, 2 for wrong arguments.

#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    CLI::App app{"Batch work on ROM files with the models of Tarnwick32 and VT2Comp."};
    app.name("romtoolset");
    app.require_subcommand(1);
    int status = cli::Success;
    cli::addPatch(app, status);
    cli::addRom(app, status);
    cli::addFind(app, status);
    cli::addTable(app, status);
    cli::addVt2(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? cli::Success : cli::UsageError;
    } catch (const std::bad_alloc&) {
        std::cerr << "romtoolset: not enough memory for this work; nothing was written.\n";
        return cli::Failure;
    } catch (const std::exception& e) {  // other resource failures: files, threads, lengths
        std::cerr << "romtoolset: " << e.what() << "; nothing was written.\n";
        return cli::Failure;
    }
    return status;
}
