// SPDX-License-Identifier: MIT
// Reads a fleet file ("-": standard input) with the stream reader and prints
// the rows, the readable ones and the last device.
// With --limit MiB it first caps its own address space at what it maps now
// plus MiB, and checks that the cap holds (exit 77 where it does not, as
// under an emulator that passes it over): a file far larger than that can
// then be read only if neither it nor its rows are held.
// Usage: fleet_stream_count FILE [--limit MiB]
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "formats/fleet_file.hpp"

namespace {

bool cap_address_space(unsigned long mib) {
    unsigned long pages = 0;  // mapped now
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t cap = pages * static_cast<unsigned long>(sysconf(_SC_PAGESIZE)) + (mib << 20);
    const rlimit limit{cap, cap};
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) return false;
    void *volatile twice = std::malloc(2 * (mib << 20));
    std::free(twice);
    return twice == nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 4 && !cap_address_space(std::strtoul(argv[3], nullptr, 10))) {
        std::printf("no address-space limit here: skipped\n");
        return 77;
    }
    qeltz::FleetReader reader;
    std::string why = "usage: fleet_stream_count FILE [--limit MiB]";
    size_t rows = 0, readable = 0;
    qeltz::FleetEntry row;
    if (argc > 1 && reader.open(argv[1], why)) {
        for (; reader.next(row); ++rows) readable += row.invalid.empty() ? 1u : 0u;
        why = reader.error();  // a read error, or none
    }
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 2;
    }
    std::printf("%zu rows, %zu readable, last %s\n", rows, readable, row.device.c_str());
    return 0;
}
