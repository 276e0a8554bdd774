// SPDX-License-Identifier: MIT
// Both timezone writers on any record and any size: they answer 0 or -2,
// never write outside `size` bytes, leave the buffer untouched on -2, always
// terminate within `size` on 0, and a cut text is a prefix of the whole one.
#include <cstdint>
#include <string>

#include "fuzz_check.hpp"
#include "qel_time.h"

namespace {

using qelfuzz::Guarded;
using Writer = int32_t (*)(const qel_tzset *, char *, int32_t);

constexpr size_t kBuffer = 512;

std::string whole_text(Writer writer, const qel_tzset &r) {
    char buf[kBuffer];
    FUZZ_CHECK(writer(&r, buf, sizeof buf) == QEL_OK);
    return buf;
}

void check_writer(Writer writer, const qel_tzset &r, int32_t size, size_t longest) {
    Guarded<kBuffer> out(0x3C);
    const Guarded<kBuffer> pristine(0x3C);
    const qel_tzset before = r;
    const int32_t rc = writer(&r, out.chars(), size);
    FUZZ_CHECK(rc == QEL_OK || rc == QEL_EINVAL);
    FUZZ_CHECK(out.guards_intact());
    FUZZ_CHECK(std::memcmp(&r, &before, sizeof r) == 0);
    if (rc != QEL_OK || size <= 0) {
        FUZZ_CHECK(rc == QEL_EINVAL);
        FUZZ_CHECK(std::memcmp(out.bytes, pristine.bytes, kBuffer) == 0);
        return;
    }
    const size_t len = strnlen(out.chars(), static_cast<size_t>(size));
    FUZZ_CHECK(len < static_cast<size_t>(size));  // terminated within size
    for (size_t i = len + 1; i < kBuffer; ++i) FUZZ_CHECK(out.bytes[i] == 0x3C);
    const std::string whole = whole_text(writer, r);
    FUZZ_CHECK(whole.size() <= longest);
    FUZZ_CHECK(whole.compare(0, len, out.chars(), len) == 0);
    FUZZ_CHECK(len == (whole.size() < static_cast<size_t>(size) - 1 ? whole.size() : static_cast<size_t>(size) - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    qel_tzset r{};
    int32_t raw_size = 0;
    if (size < sizeof r + sizeof raw_size) return 0;
    std::memcpy(&r, data, sizeof r);
    std::memcpy(&raw_size, data + sizeof r, sizeof raw_size);
    // Sizes from -4 up to past the longest text, with an occasional extreme.
    const int32_t out_size = raw_size == INT32_MIN ? INT32_MIN
                             : (raw_size & 0x40000000) != 0
                                 ? static_cast<int32_t>(kBuffer)
                                 : static_cast<int32_t>(static_cast<uint32_t>(raw_size) % 300) - 4;
    check_writer(qel_tzset_to_tzstr, r, out_size, 62);
    check_writer(qel_tzset_to_zicstr, r, out_size, 171);
    return 0;
}
