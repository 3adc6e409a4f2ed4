// Batch work with the toolset's model libraries: patches, the SNES
// checksum, dumps, scripts with pointers, searches, table checks and the VT2 block codec. Exit status 0 on
// success, 1 when the work failed, 2 for wrong arguments.

#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    CLI::App app{"Batch work on ROM files with the models of Tarnwick32 and VT2Comp."};
    app.name("romtoolset");
    app.require_subcommand(1);
    app.footer(
        "Script round trip:\n"
        "  romtoolset script dump FILE --table T.tbl --pointers OFFSET,COUNT,WIDTH,MAP[,BANK] [--big-endian]\n"
        "      [--space START-END] -o SCRIPT\n"
        "    writes the strings the pointers point to as a UTF-8 script: a header (table, pointers, space),\n"
        "    then per string an \"@\" line (its pointers, offset and size), its original text as \"#|\" comments\n"
        "    and the text to edit. Numbers are hexadecimal; WIDTH is 16, 24 or 32; MAP is linear, lorom or hirom;\n"
        "    BANK is the bank of 16-bit pointers (for linear, the base added to them).\n"
        "  romtoolset script insert FILE SCRIPT [-o OUT] [--fill XX]\n"
        "    encodes every string through the script's table, places it in the script's space (unchanged\n"
        "    strings stay), rewrites every pointer and reports the space used; without -o FILE is written in\n"
        "    place, safely. Errors name the script's line and column, and nothing is written.\n"
        "Exit status: 0 done, 1 input refused (messages on standard error), 2 wrong arguments.");
    int status = cli::Success;
    cli::addPatch(app, status);
    cli::addRom(app, status);
    cli::addFind(app, status);
    cli::addScript(app, status);
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
