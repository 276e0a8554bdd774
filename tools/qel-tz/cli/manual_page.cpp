// SPDX-License-Identifier: MIT
// Writes the manual page qel-tz(1) to the file named, from the command and
// option rows (command_table.cpp, option_table.cpp). Usage: qel-tz-manual OUTPUT
#include <cstdio>

#include "cli/cli.hpp"
#include "system/process.hpp"

int main(int argc, char **argv) {
    if (argc != 2) {
        (void)std::fputs("usage: qel-tz-manual OUTPUT\n", stderr);
        return 2;
    }
    return qeltz::write_file(argv[1], qeltz::manual_page(QEL_VERSION)) ? 0 : 1;
}
