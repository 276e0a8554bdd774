// Writes the seed corpora of the fuzz targets from what the writers produce
// for the catalogue: TZ strings for the parser, records for the writers, and
// texts and broken-down times for the text form. Run from the fuzz build:
//   make_seeds <corpus directory>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "qel_time.h"
#include "tz_test_support.hpp"

namespace {


bool write_file(const std::string &path, const void *data, size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <corpus directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    int files = 0;
    bool ok = true;
    for (const qeltest::Zone &zone : qeltest::kCatalogue) {
        const int32_t code = zone.long_code();
        for (int32_t amount : {0, 30, 60, 90, 120}) {
            const qel_tzset r = {
                code, amount != 0, amount, {3, 5, 0, 2, 0, 0, 0}, {10, (code % 4) + 1, 6, 3, 30, 0, 0}};
            char text[64];
            if (qel_tzset_to_tzstr(&r, text, sizeof text) != QEL_OK) return 1;
            const std::string name = std::to_string(code) + "-" + std::to_string(amount);
            ok &= write_file(dir + "/tzstr_parse/" + name, text, std::strlen(text));
            unsigned char record[sizeof r + sizeof(int32_t)];
            const int32_t size = amount == 0 ? 63 : 20 + amount;
            std::memcpy(record, &r, sizeof r);
            std::memcpy(record + sizeof r, &size, sizeof size);
            ok &= write_file(dir + "/tz_writers/" + name, record, sizeof record);
            files += 2;
        }
    }
    const char *texts[] = {"2024-01-05 10:20:30",          "1970-01-01 00:00:00", "2038-01-19 03:14:07",
                           "2024-03-31 02:30:00 trailing", "2024-7-5 1:2:3",      "9999-12-31 23:59:59"};
    for (const char *t : texts) {
        ok &= write_file(dir + "/text_form/" + std::to_string(files++), t, std::strlen(t));
    }
    const int fields[9] = {30, 20, 10, 5, 0, 124, 5, 4, 0};
    const uint32_t size = 20;
    unsigned char tm_bytes[sizeof fields + sizeof size];
    std::memcpy(tm_bytes, fields, sizeof fields);
    std::memcpy(tm_bytes + sizeof fields, &size, sizeof size);
    ok &= write_file(dir + "/text_form/broken-down", tm_bytes, sizeof tm_bytes);
    std::printf("%d seed files written under %s\n", files + 1, dir.c_str());
    return ok ? 0 : 1;
}
