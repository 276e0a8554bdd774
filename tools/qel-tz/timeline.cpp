#include "timeline.hpp"

#include <algorithm>
#include <ctime>

#include "posix_tz.hpp"
#include "zic_runner.hpp"

namespace qeltz {

namespace {

Span read_at(int64_t t) {
    Span s;
    s.from = t;
    const auto when = static_cast<time_t>(t);
    struct tm tm {};
    if (localtime_r(&when, &tm) != nullptr) {
        s.offset = static_cast<int32_t>(tm.tm_gmtoff);
        s.isdst = tm.tm_isdst > 0;
        s.abbr = tm.tm_zone != nullptr ? tm.tm_zone : "";
    }
    return s;
}

}  // namespace

bool same_local_time(const Span &a, const Span &b) {
    return a.offset == b.offset && a.isdst == b.isdst && a.abbr == b.abbr;
}

int64_t year_start(int year) { return days_from_civil(year, 1, 1) * 86400; }

std::vector<Span> read_timeline(const std::string &tz, int64_t from, int64_t to, const std::vector<int64_t> &hints) {
    constexpr int64_t kStep = 6 * 3600;
    std::vector<int64_t> samples;
    for (int64_t t = from; t < to; t += kStep) samples.push_back(t);
    for (int64_t h : hints) {
        if (h > from && h < to) samples.push_back(h);
    }
    std::sort(samples.begin(), samples.end());
    samples.erase(std::unique(samples.begin(), samples.end()), samples.end());

    const ScopedTz zone(tz);
    std::vector<Span> spans{read_at(from)};
    int64_t last = from;
    for (size_t i = 1; i <= samples.size(); ++i) {
        const int64_t t = i < samples.size() ? samples[i] : to - 1;
        if (t <= last) continue;
        Span now = read_at(t);
        // Several changes may lie between two samples; each is found in turn.
        while (!same_local_time(now, spans.back())) {
            int64_t lo = last, hi = t;  // lo as the last span, hi not
            while (hi - lo > 1) {
                const int64_t mid = lo + (hi - lo) / 2;
                (same_local_time(read_at(mid), spans.back()) ? lo : hi) = mid;
            }
            spans.push_back(read_at(hi));
            last = hi;
        }
        last = t;
    }
    return spans;
}

}  // namespace qeltz
