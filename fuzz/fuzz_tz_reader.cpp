// SPDX-License-Identifier: MIT
// The TZ string reader's line handling (tz_reader.h) on any bytes, read by
// this process's glibc as the glibc reader reads them: one record per input
// line (per two lines where hinted), as the tool's parser of the answer reads
// it; nothing that could name a file reaches the library; each string read
// gives what this process's own reading gives at every sampled hour and at
// each change it reports (the second of it and the one before), offsets
// within 26 hours of UTC and changes in increasing order; hinted, at each
// hint the span in force is what the library gives.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "judge/window.hpp"
#include "readers/tz_reader.h"
#include "system/libraries.hpp"
#include "system/zic_runner.hpp"

namespace {

char tzdir[512];

void remove_tzdir() { rmdir(tzdir); }

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t eol = text.find('\n', at);
        lines.push_back(text.substr(at, eol == std::string::npos ? std::string::npos : eol - at));
        at = eol == std::string::npos ? text.size() : eol + 1;
    }
    return lines;
}

// The parts of a path between slashes.
std::vector<std::string> parts_of(const std::string &path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c == '/') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// The hints of a line as the protocol has them: words of up to 18 digits
// with an optional '-', the first of them the step; the first 64 after it.
std::vector<int64_t> hints_of(const std::string &line) {
    std::vector<int64_t> hints;
    size_t at = 0;
    while (at <= line.size() && hints.size() < 64) {
        const size_t end = std::min(line.find(' ', at), line.size());
        const std::string word = line.substr(at, end - at);
        const size_t sign = word.rfind('-', 0) == 0 ? 1 : 0;
        if (word.size() > sign && word.size() - sign <= 18 &&
            word.find_first_not_of("0123456789", sign) == std::string::npos) {
            hints.push_back(std::strtoll(word.c_str(), nullptr, 10));
        }
        at = end + 1;
    }
    if (!hints.empty()) hints.erase(hints.begin());  // the step
    return hints;
}

// Local time under TZ=value at one instant, read here.
qeltz::Span at(const std::string &value, int64_t t) {
    const qeltz::ScopedTz zone(value);
    const auto when = static_cast<time_t>(t);
    struct tm tm {};
    qeltz::Span s;
    if (localtime_r(&when, &tm) != nullptr) {
        s.offset = static_cast<int32_t>(tm.tm_gmtoff);
        s.isdst = tm.tm_isdst > 0;
        s.abbr = tm.tm_zone != nullptr ? tm.tm_zone : "";
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FUZZ_CHECK(tzr_protect(tzdir, sizeof tzdir) == 0);
    std::atexit(remove_tzdir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks forty days from the start of any month of 2026,
    // and with its top bit the hinted protocol.
    const int64_t from = qeltz::year_start(2026) + (data[0] % 12) * 31 * 86400LL, to = from + 40 * 86400LL;
    const bool hinted = data[0] >= 128;
    std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);
    const auto all_lines = lines_of(input);
    std::vector<std::string> lines, hint_lines;
    for (size_t i = 0; i < all_lines.size(); i += hinted ? 2 : 1) {
        lines.push_back(all_lines[i]);
        hint_lines.push_back(hinted && i + 1 < all_lines.size() ? all_lines[i + 1] : "");
    }

    char *answer = nullptr;
    size_t answer_size = 0;
    FILE *out = open_memstream(&answer, &answer_size);
    FILE *in = input.empty() ? std::fopen("/dev/null", "r") : fmemopen(input.data(), input.size(), "r");
    FUZZ_CHECK(out != nullptr && in != nullptr);
    const long records = tzr_serve(in, out, from, to, TZR_STEP, hinted ? 1 : 0);
    std::fclose(in);
    std::fclose(out);
    const std::string text(answer, answer_size);
    std::free(answer);
    FUZZ_CHECK(records == static_cast<long>(lines.size()));

    std::vector<qeltz::TzReading> readings;
    std::string why;
    FUZZ_CHECK(qeltz::parse_reader_answer(text, lines.size(), from, to, readings, why));
    std::vector<int64_t> hours;
    for (int64_t t = from; t < to; t += TZR_STEP) hours.push_back(t);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string &value = lines[i];
        const auto &reading = readings[i];
        FUZZ_CHECK(reading.refused == tzr_refusal_word(tzr_check_value(value.data(), value.size())));
        if (!reading.refused.empty()) continue;
        FUZZ_CHECK(value.find('\0') == std::string::npos && value.size() <= TZR_VALUE_MAX);
        FUZZ_CHECK(value.rfind(':', 0) != 0 && value.rfind('/', 0) != 0);
        for (const auto &part : parts_of(value)) FUZZ_CHECK(part != "." && part != "..");
        // glibc takes offsets up to 24:59:59 and daylight time an hour ahead
        // of standard time where the string gives no daylight offset.
        for (const auto &span : reading.spans) FUZZ_CHECK(span.offset > -26 * 3600 && span.offset < 26 * 3600);
        if (hinted) {
            for (const int64_t t : hints_of(hint_lines[i])) {
                if (t <= from || t >= to) continue;
                size_t k = 0;
                while (k + 1 < reading.spans.size() && reading.spans[k + 1].from <= t) ++k;
                FUZZ_CHECK(qeltz::same_local_time(reading.spans[k], at(value, t)));
            }
            continue;
        }
        const auto &spans = reading.spans;
        for (size_t k = 0; k < spans.size(); ++k) {
            FUZZ_CHECK(qeltz::same_local_time(spans[k], at(value, spans[k].from)));
            FUZZ_CHECK(k == 0 || qeltz::same_local_time(spans[k - 1], at(value, spans[k].from - 1)));
        }
        size_t k = 0;
        for (const int64_t t : hours) {
            while (k + 1 < spans.size() && spans[k + 1].from <= t) ++k;
            FUZZ_CHECK(qeltz::same_local_time(spans[k], at(value, t)));
        }
    }
    return 0;
}
