// SPDX-License-Identifier: MIT
// Writes the manual page qel-tz(1) and the bash completion of qel-tz to the
// files named, from the command and option rows (command_table.cpp,
// option_table.cpp). Usage: qel-tz-manual PAGE COMPLETION
#include <cstdio>

#include "cli/cli.hpp"
#include "system/process.hpp"

int main(int argc, char **argv) {
    if (argc != 3) {
        (void)std::fputs("usage: qel-tz-manual PAGE COMPLETION\n", stderr);
        return 2;
    }
    return qeltz::write_file(argv[1], qeltz::manual_page(QEL_VERSION)) &&
                   qeltz::write_file(argv[2], qeltz::bash_completion())
               ? 0
               : 1;
}
