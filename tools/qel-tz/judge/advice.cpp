// SPDX-License-Identifier: MIT
#include "judge/advice.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "judge/schedule.hpp"

namespace qeltz {

Advice advice_of(ScheduleSpans spans) {
    Advice a;
    a.spans = std::move(spans);
    if (!a.spans.empty() && sendable(*a.spans.front())) a.now = a.spans.front();
    a.confirmed = !a.spans.empty() && std::all_of(a.spans.begin(), a.spans.end(), [](const Judgement *s) {
        return sendable(*s) && s->approximate.empty() && !is_failure(s->tz_verdict);
    });
    return a;
}

std::string outcome_text(Verdict one_record, const Advice &advice) {
    if (!is_failure(one_record) || advice.spans.empty() || advice.single()) return verdict_name(one_record);
    const std::string head = std::string("one record: ") + verdict_name(one_record) + "; ";
    if (advice.spans.size() == 1) return head + "the nearest below: approximate";
    Verdict worst = Verdict::kExact;
    bool approximate = false;
    for (const Judgement *s : advice.spans) {
        worst = std::max(worst, sendable(*s) ? s->tz_verdict : Verdict::kUnrepresentable);
        approximate = approximate || !s->approximate.empty();
    }
    return head + "the schedule below holds: " + (approximate ? "approximate" : verdict_name(worst));
}

Advice advice_for(bool wrong, ScheduleSpans place_schedule, const Held *held) {
    Advice a = advice_of(wrong ? std::move(place_schedule) : ScheduleSpans{});
    const Judgement *now = a.now;
    if (held == nullptr || a.spans.size() != 1 || now == nullptr || now->approximate.empty()) return a;
    const bool holds =
        held->tz.empty() ? std::memcmp(&held->record, &now->record, sizeof held->record) == 0 : held->tz == now->tz;
    if (!holds) return a;
    Advice out;
    out.holds_nearest = true;
    if (!held->tz.empty()) out.rule_line = rule_line_for(*now);
    return out;
}

const char *send_kind(const Advice &advice, bool wrong) {
    if (!wrong) return "right";
    if (advice.holds_nearest) return "holds-nearest";
    return std::any_of(advice.spans.begin(), advice.spans.end(), [](const Judgement *s) { return sendable(*s); })
               ? "send"
               : "nothing";
}

bool sends_zic(const Judgement &span) { return sendable(span) && !is_failure(span.zic_verdict); }

std::string rule_line_for(const Judgement &span) {
    const bool right =
        !span.rule_line_verdicts.empty() && std::none_of(span.rule_line_verdicts.begin(), span.rule_line_verdicts.end(),
                                                         [](const auto &v) { return is_failure(v.second); });
    return right ? span.rule_line : "";
}

std::vector<Reason> why_not_sent(const Judgement &span) {
    if (!sendable(span)) return span.reasons;
    std::vector<Reason> why;
    if (sends_zic(span)) return why;
    // A zic text that zic does not read as the place (week 5 written "on or
    // after the 29th"), or none: why it is not one to send.
    for (const Reason &r : span.reasons) {
        if (r.kind == ReasonKind::kZicWeek5 || r.kind == ReasonKind::kZicRefuses ||
            r.kind == ReasonKind::kZicNotChecked || r.kind == ReasonKind::kNoZicText) {
            why.push_back(r);
        }
    }
    return why;
}

bool has_week5(const qel_tzset &record) {
    return record.dst_on != 0 && (record.start.week == 5 || record.end.week == 5);
}

const char *const kWeek5Text =
    "week 5 is written \"on or after the 29th\", which zic reads as the first such weekday from the 29th on, not "
    "the last of the month; in years whose last such weekday falls before the 29th the zic text changes a week "
    "later, in the next month, while the TZ string keeps the last one";

}  // namespace qeltz
