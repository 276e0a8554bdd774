// SPDX-License-Identifier: MIT
// Reads a fleet file ("-": standard input) with the stream reader, keeping
// only its distinct settings, as audit does, and prints the rows, the
// readable ones, the distinct settings, the last device, and the speed.
// With --limit MiB it first caps its own address space at what it maps now
// plus MiB, and checks that the cap holds (exit 77 where it does not, as
// under an emulator that passes it over): a file far larger than that can
// then be read only if neither it nor its rows are held.
// Usage: fleet_stream_count FILE [--limit MiB]
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "formats/fleet_file.hpp"

namespace {

bool cap_address_space(unsigned long mib) {
    unsigned long pages = 0;
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) return false;
    std::fclose(statm);
    const rlim_t cap = pages * static_cast<unsigned long>(sysconf(_SC_PAGESIZE)) + (mib << 20);
    const rlimit limit{cap, cap};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return false;
    void *volatile twice = std::malloc(2 * (mib << 20));
    std::free(twice);
    return twice == nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--limit") == 0)) {
        std::fprintf(stderr, "usage: fleet_stream_count FILE [--limit MiB]\n");
        return 2;
    }
    if (argc == 4 && !cap_address_space(std::strtoul(argv[3], nullptr, 10))) {
        std::printf("no address-space limit here: skipped\n");
        return 77;
    }
    const auto start = std::chrono::steady_clock::now();
    qeltz::FleetReader reader;
    std::string why;
    if (!reader.open(argv[1], why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 2;
    }
    size_t rows = 0, readable = 0;
    std::set<qeltz::FleetSetting> settings;
    qeltz::FleetEntry row;
    for (; reader.next(row); ++rows) {
        if (!row.invalid.empty()) continue;
        ++readable;
        settings.insert(row.setting);
    }
    if (!reader.error().empty()) {
        std::fprintf(stderr, "%s\n", reader.error().c_str());
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat st {};
    const double mb = stat(argv[1], &st) == 0 && S_ISREG(st.st_mode) ? static_cast<double>(st.st_size) / 1e6 : 0;
    std::printf("%zu rows, %zu readable, %zu settings, last %s; %.1f MB in %.3f s, %.0f MB/s\n", rows, readable,
                settings.size(), row.device.c_str(), mb, seconds, mb / seconds);
    return 0;
}
