// The TZ parser on any text: it answers 0 or -2, writes the record only on 0
// and never outside it, reads at most 127 characters, and what it accepts
// comes back unchanged through the TZ writer wherever that writer can say it.
#include <cstdint>
#include <cstdio>
#include <string>

#include "tz/catalogue.hpp"
#include "fuzz_check.hpp"
#include "qel_time.h"

namespace {

using qelfuzz::Guarded;

struct Parsed {
    int32_t rc;
    qel_tzset record;
};

Parsed parse(const char *text) {
    Guarded<sizeof(qel_tzset)> out(0xA7);
    const Guarded<sizeof(qel_tzset)> pristine(0xA7);
    const int32_t rc = qel_tzstr_to_tzset(text, reinterpret_cast<qel_tzset *>(out.bytes));
    FUZZ_CHECK(rc == QEL_OK || rc == QEL_EINVAL);
    FUZZ_CHECK(out.guards_intact());
    if (rc != QEL_OK) FUZZ_CHECK(std::memcmp(out.bytes, pristine.bytes, sizeof out.bytes) == 0);
    Parsed p{rc, {}};
    std::memcpy(&p.record, out.bytes, sizeof p.record);
    return p;
}

// A rule's time is written whole when "/hh:mm:ss" fits in 9 characters.
bool time_written_whole(const qel_tzrule &r) {
    char buf[64];
    return std::snprintf(buf, sizeof buf, "/%02d:%02d:%02d", r.hour, r.minute, r.second) <= 9;
}

// The record that writing r and reading it back must give.
qel_tzset read_back_of(const qel_tzset &r) {
    qel_tzset want{};
    if (r.dst_on == 0) {
        want.zone = qel::tz::find_zone(r.zone) != nullptr ? r.zone : 10000;
        return want;
    }
    want.zone = r.zone;
    want.dst_on = 1;
    want.dst_minutes = r.dst_minutes == 60 || r.dst_minutes == 90 || r.dst_minutes == 120 ? r.dst_minutes : 30;
    want.start = r.start;
    want.end = r.end;
    want.start.reserved = 0;
    want.end.reserved = 0;
    return want;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size < 512 ? size : 512);
    const Parsed got = parse(text.c_str());

    // Nothing after the 127th character matters.
    const Parsed cut = parse(text.substr(0, 127).c_str());
    FUZZ_CHECK(cut.rc == got.rc);
    if (got.rc != QEL_OK) return 0;
    FUZZ_CHECK(std::memcmp(&cut.record, &got.record, sizeof got.record) == 0);

    const qel_tzset &r = got.record;
    FUZZ_CHECK(r.zone >= 8800 && r.zone <= 11400);
    FUZZ_CHECK(r.dst_on == 0 || r.dst_on == 1);
    FUZZ_CHECK(r.dst_minutes >= 0 && (r.dst_on == 1 || r.dst_minutes == 0));
    FUZZ_CHECK(r.start.reserved == 0 && r.end.reserved == 0);

    char written[64];
    if (qel_tzset_to_tzstr(&r, written, sizeof written) != QEL_OK) return 0;
    if (r.dst_on != 0 && (!time_written_whole(r.start) || !time_written_whole(r.end))) return 0;
    const qel_tzset want = read_back_of(r);
    const Parsed again = parse(written);
    if (want.dst_on != 0 && qel::tz::code_minutes(want.zone) + want.dst_minutes > 14 * 60) {
        FUZZ_CHECK(again.rc == QEL_EINVAL);  // daylight beyond UTC+14:00 cannot be read back
        return 0;
    }
    FUZZ_CHECK(again.rc == QEL_OK);
    FUZZ_CHECK(std::memcmp(&again.record, &want, sizeof want) == 0);
    return 0;
}
