// SPDX-License-Identifier: MIT
#include "formats/place_table_source.hpp"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>

#include "formats/time_text.hpp"

namespace qeltz {

namespace {

constexpr size_t kBlock = 16;          // names a block: one whole, the rest front coded
constexpr size_t kMostShared = 30;     // a name shares at most this much: its symbol is 1 + shared, below ' '
constexpr unsigned kLongestCode = 24;  // Huffman code bits the decoder reads at most

// A record's words in order, to sort records by.
std::vector<int32_t> words(const qel_tzset &r) {
    std::vector<int32_t> w{r.zone, r.dst_on, r.dst_minutes};
    for (const qel_tzrule *rule : {&r.start, &r.end}) {
        w.insert(w.end(),
                 {rule->month, rule->week, rule->wday, rule->hour, rule->minute, rule->second, rule->reserved});
    }
    return w;
}

bool same(const qel_tzset &a, const qel_tzset &b) { return words(a) == words(b); }

// A rule as the table packs it: month, week, weekday and the second of the
// day in 27 bits. The source unpacks it with the same shifts (kUnpack below).
uint32_t pack_rule(const qel_tzrule &r) {
    const auto field = [](int32_t v, int32_t most) { return static_cast<uint32_t>(std::clamp(v, 0, most)); };
    return field(r.month, 15) << 23 | field(r.week, 7) << 20 | field(r.wday, 7) << 17 |
           field(r.hour * 3600 + r.minute * 60 + r.second, 0x1FFFF);
}

qel_tzrule unpack_rule(uint32_t p) {
    const auto s = static_cast<int32_t>(p & 0x1FFFFu);
    return {static_cast<int32_t>(p >> 23),
            static_cast<int32_t>(p >> 20 & 7u),
            static_cast<int32_t>(p >> 17 & 7u),
            s / 3600,
            s / 60 % 60,
            s % 60,
            0};
}

// The text of a C comment: no "*/" and no control bytes.
std::string comment(const std::string &s) {
    std::string out;
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            out += '?';
        } else if (c == '/' && !out.empty() && out.back() == '*') {
            out += " /";
        } else {
            out += c;
        }
    }
    return out;
}

std::string tz_text(const qel_tzset &r) {
    char text[QEL_TZSTR_SIZE];
    return qel_tzset_to_tzstr(&r, text, sizeof text) == QEL_OK ? text : "(no TZ string)";
}

std::string format(const char *fmt, uint64_t a) {
    char text[32];
    (void)std::snprintf(text, sizeof text, fmt, a);
    return text;
}

// The code lengths of a Huffman code for symbols of these counts (ties
// broken by the order of the nodes, so the same counts give the same code).
std::map<unsigned, unsigned> code_lengths(const std::map<unsigned, uint64_t> &counts) {
    struct Node {
        uint64_t weight;
        size_t order;
        std::vector<unsigned> symbols;
    };
    std::vector<Node> nodes;
    nodes.reserve(counts.size());
    for (const auto &[symbol, count] : counts) nodes.push_back({count, nodes.size(), {symbol}});
    std::map<unsigned, unsigned> lengths;
    size_t order = nodes.size();
    while (nodes.size() > 1) {
        std::sort(nodes.begin(), nodes.end(), [](const Node &a, const Node &b) {
            return a.weight != b.weight ? a.weight > b.weight : a.order > b.order;
        });
        Node a = std::move(nodes.back());
        nodes.pop_back();
        Node b = std::move(nodes.back());
        nodes.pop_back();
        for (const unsigned s : a.symbols) ++lengths[s];
        for (const unsigned s : b.symbols) ++lengths[s];
        a.symbols.insert(a.symbols.end(), b.symbols.begin(), b.symbols.end());
        nodes.push_back({a.weight + b.weight, order++, std::move(a.symbols)});
    }
    return lengths;
}

// The names as one stream of symbols, Huffman coded: a block's first name
// whole, then each next one as the symbol 1 + the length it shares with the
// one before and the rest of its bytes; 0 ends a block.
struct NameCode {
    std::vector<uint8_t> bits;
    std::vector<uint32_t> block_at;         // the bit each block starts at
    std::vector<unsigned> count_by_length;  // [0] unused
    std::vector<unsigned> symbols;          // in the canonical order
    size_t longest = 0;
};

NameCode code_names(const std::vector<TableName> &names) {
    std::vector<std::vector<unsigned>> blocks;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string &n = names[i].name;
        if (i % kBlock == 0) blocks.emplace_back();
        size_t shared = 0;
        if (i % kBlock != 0) {
            const std::string &before = names[i - 1].name;
            while (shared < kMostShared && shared < n.size() && shared < before.size() && n[shared] == before[shared])
                ++shared;
            blocks.back().push_back(static_cast<unsigned>(1 + shared));
        }
        for (size_t k = shared; k < n.size(); ++k) blocks.back().push_back(static_cast<unsigned char>(n[k]));
        if (i % kBlock == kBlock - 1 || i + 1 == names.size()) blocks.back().push_back(0);
    }
    std::map<unsigned, uint64_t> counts;
    for (const auto &block : blocks) {
        for (const unsigned s : block) ++counts[s];
    }
    const std::map<unsigned, unsigned> lengths = code_lengths(counts);
    NameCode out;
    for (const auto &name : names) out.longest = std::max(out.longest, name.name.size());
    unsigned most = 0;
    for (const auto &[symbol, length] : lengths) most = std::max(most, length);
    out.count_by_length.assign(most + 1, 0);
    std::vector<std::pair<unsigned, unsigned>> order;  // (length, symbol)
    for (const auto &[symbol, length] : lengths) {
        ++out.count_by_length[length];
        order.emplace_back(length, symbol);
    }
    std::sort(order.begin(), order.end());
    std::map<unsigned, std::pair<uint32_t, unsigned>> code;  // symbol: (code, length)
    uint32_t next = 0;
    unsigned length = order.empty() ? 0 : order.front().first;
    for (const auto &[l, symbol] : order) {
        next <<= l - length;
        length = l;
        code[symbol] = {next++, l};
        out.symbols.push_back(symbol);
    }
    uint32_t at = 0;
    for (const auto &block : blocks) {
        out.block_at.push_back(at);
        for (const unsigned s : block) {
            const auto [c, l] = code[s];
            for (unsigned b = l; b-- > 0; ++at) {
                if (at % 8 == 0) out.bits.push_back(0);
                if ((c >> b & 1u) != 0) out.bits.back() = static_cast<uint8_t>(out.bits.back() | 0x80u >> at % 8);
            }
        }
    }
    return out;
}

// The smallest of uint8_t, uint16_t, uint32_t that holds `most`; NULL for none.
const char *unsigned_type(uint64_t most) {
    return most <= UINT8_MAX ? "uint8_t" : most <= UINT16_MAX ? "uint16_t" : most <= UINT32_MAX ? "uint32_t" : nullptr;
}

// The source's code: the same for every table, written after its data.
const char *const kCode = R"(
/* The next symbol of the names: a canonical Huffman code read a bit at a
 * time, most significant bit first. */
static unsigned next_symbol(uint32_t *at)
{
    unsigned code = 0, first = 0, index = 0, length;
    for (length = 1; length < sizeof code_count; ++length) {
        code |= (unsigned)(name_bits[*at >> 3] >> (7u - (*at & 7u))) & 1u;
        ++*at;
        if (code - first < code_count[length]) return code_symbol[index + code - first];
        index += code_count[length];
        first = (first + code_count[length]) << 1;
        code <<= 1;
    }
    return 0;
}

/* The names of a block in turn: `next` is the symbol after the name. */
typedef struct {
    uint32_t at;
    unsigned next;
    size_t length;
    char name[QEL_PLACE_NAME_SIZE];
} name_cursor;

static void read_rest(name_cursor *c)
{
    while (c->next >= 0x20u) {
        c->name[c->length++] = (char)c->next;
        c->next = next_symbol(&c->at);
    }
    c->name[c->length] = '\0';
}

static void start_block(name_cursor *c, size_t block)
{
    c->at = block_at[block];
    c->length = 0;
    c->next = next_symbol(&c->at);
    read_rest(c);
}

static void next_name(name_cursor *c)
{
    c->length = c->next - 1u;
    c->next = next_symbol(&c->at);
    read_rest(c);
}

size_t qel_place_count(void)
{
    return PLACES;
}

const qel_place *qel_place_at(size_t i)
{
    return i < PLACES ? &places[i] : NULL;
}

size_t qel_place_name(const qel_place *place, char *buf, size_t size)
{
    name_cursor c;
    size_t i, k;
    if (place == NULL) return 0;
    i = (size_t)(place - places);
    start_block(&c, i / BLOCK);
    for (k = i % BLOCK; k > 0; --k) next_name(&c);
    if (buf != NULL && size > 0) {
        size_t n = c.length < size - 1 ? c.length : size - 1;
        memcpy(buf, c.name, n);
        buf[n] = '\0';
    }
    return c.length;
}

/* A block's first name against `name` (as strcmp), read only as far as
 * they agree. */
static int head_order(size_t block, const char *name)
{
    uint32_t at = block_at[block];
    unsigned s = next_symbol(&at), n;
    for (;; ++name) {
        n = (unsigned char)*name;
        if (s < 0x20u) return n == 0 ? 0 : -1;
        if (s != n) return s < n ? -1 : 1;
        s = next_symbol(&at);
    }
}

const qel_place *qel_place_find(const char *name)
{
    name_cursor c;
    size_t lo = 0, hi = BLOCKS, i, last;
    if (name == NULL) return NULL;
    while (hi - lo > 1) {
        size_t mid = lo + (hi - lo) / 2;
        if (head_order(mid, name) <= 0) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    start_block(&c, lo);
    last = lo * BLOCK + BLOCK < PLACES ? lo * BLOCK + BLOCK : PLACES;
    for (i = lo * BLOCK;; next_name(&c)) {
        int order = strcmp(c.name, name);
        if (order == 0) return &places[i];
        if (order > 0 || ++i == last) return NULL;
    }
}

/* The span in force at `now`: what it holds (record << 1 | approximate)
 * and its end. QEL_EINVAL for no place or a time outside the window. */
static int span_at(const qel_place *place, int64_t now, unsigned *what, int64_t *until)
{
    unsigned ref, i;
    if (place == NULL || now < QEL_PLACES_FROM || now >= QEL_PLACES_UNTIL) return QEL_EINVAL;
    ref = place->ref;
    if (ref < RECORDS) {
        *what = ref << 1;
        *until = QEL_PLACES_UNTIL;
        return QEL_OK;
    }
    for (i = schedule_first[ref - RECORDS];; ++i) {
        if (now - QEL_PLACES_FROM < (int64_t)span_until[i]) break;
    }
    *what = span_what[i];
    *until = QEL_PLACES_FROM + (int64_t)span_until[i];
    return QEL_OK;
}

int qel_place_record(const qel_place *place, int64_t now, qel_tzset *out)
{
    unsigned what, r;
    int64_t until;
    qel_tzset t;
    if (out == NULL || span_at(place, now, &what, &until) != QEL_OK) return QEL_EINVAL;
    r = what >> 1;
    if (r == RECORDS) return QEL_ESYSTEM;
    memset(&t, 0, sizeof t);
    t.zone = records[r].zone;
    if (records[r].dst != 0) {
        t.dst_on = 1;
        t.dst_minutes = records[r].dst;
        unpack_rule(rules[records[r].start], &t.start);
        unpack_rule(rules[records[r].end], &t.end);
    }
    *out = t;
    return QEL_OK;
}

int64_t qel_place_valid_until(const qel_place *place, int64_t now)
{
    unsigned what;
    int64_t until;
    if (span_at(place, now, &what, &until) != QEL_OK) return INT64_MIN;
    return until == QEL_PLACES_UNTIL ? INT64_MAX : until;
}

int qel_place_approximate(const qel_place *place, int64_t now)
{
    unsigned what;
    int64_t until;
    if (span_at(place, now, &what, &until) != QEL_OK) return QEL_EINVAL;
    return (int)(what & 1u);
}
)";

const char *const kUnpack = R"(
static void unpack_rule(uint32_t p, qel_tzrule *out)
{
    uint32_t s = p & 0x1FFFFu;
    out->month = (int32_t)(p >> 23);
    out->week = (int32_t)(p >> 20 & 7u);
    out->wday = (int32_t)(p >> 17 & 7u);
    out->hour = (int32_t)(s / 3600u);
    out->minute = (int32_t)(s / 60u % 60u);
    out->second = (int32_t)(s % 60u);
}
)";

std::string window_comment(const PlaceTable &t) {
    std::string libraries;
    for (const std::string &l : t.libraries) libraries += (libraries.empty() ? "" : ", ") + l;
    return " * tz database " + comment(t.tzdata) + ", window " + iso_utc(t.window.from) + " to " +
           iso_utc(t.window.to) + ",\n * every record judged by " + comment(libraries) + "; written by qel-tz " +
           comment(t.tool_version) + " table.\n";
}

std::string header_text(const PlaceTable &t, size_t name_size) {
    return "/* qel_places.h - the place table: a place name and a time to the settings\n"
           " * record in force. Generated; do not edit.\n" +
           window_comment(t) +
           " */\n"
           "#ifndef QEL_PLACES_H\n#define QEL_PLACES_H\n\n"
           "#include <stddef.h>\n#include <stdint.h>\n\n#include \"qel_time.h\"\n\n"
           "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n"
           "/* The tz database release and the window (UTC seconds, [FROM, UNTIL)). */\n"
           "#define QEL_PLACES_TZDATA \"" +
           comment(t.tzdata) + "\"\n#define QEL_PLACES_FROM INT64_C(" + std::to_string(t.window.from) + ") /* " +
           iso_utc(t.window.from) + " */\n#define QEL_PLACES_UNTIL INT64_C(" + std::to_string(t.window.to) + ") /* " +
           iso_utc(t.window.to) +
           " */\n"
           "/* The longest name and its NUL. */\n#define QEL_PLACE_NAME_SIZE " +
           std::to_string(name_size) +
           "\n\n"
           "typedef struct qel_place qel_place;\n\n"
           "/* The names, places and the database's links to them, in strcmp order:\n"
           " * qel_place_at(0 .. qel_place_count() - 1). qel_place_at gives NULL past\n"
           " * the last. */\n"
           "size_t qel_place_count(void);\n"
           "const qel_place *qel_place_at(size_t i);\n\n"
           "/* Writes the place's name (cut to size - 1 bytes, NUL-terminated where\n"
           " * size > 0) and returns its whole length; 0 for a NULL place. */\n"
           "size_t qel_place_name(const qel_place *place, char *buf, size_t size);\n\n"
           "/* The place of exactly this name; NULL where the table lacks it. */\n"
           "const qel_place *qel_place_find(const char *name);\n\n"
           "/* The record in force at `now` (UTC seconds). Returns QEL_OK; QEL_EINVAL\n"
           " * for a NULL argument or a time outside the window; QEL_ESYSTEM where the\n"
           " * table holds no record for that time (no record the C libraries judged\n"
           " * expresses the place then). *out is written only on QEL_OK. */\n"
           "int qel_place_record(const qel_place *place, int64_t now, qel_tzset *out);\n\n"
           "/* When the next record (or none) takes over from the one in force at\n"
           " * `now`; INT64_MAX where none does within the window, INT64_MIN for a NULL\n"
           " * place or a time outside the window. */\n"
           "int64_t qel_place_valid_until(const qel_place *place, int64_t now);\n\n"
           "/* 1 where the record in force at `now` is the nearest one, not one that\n"
           " * expresses the place (the source names its cost beside the place); 0\n"
           " * where it expresses it; QEL_EINVAL as qel_place_record. */\n"
           "int qel_place_approximate(const qel_place *place, int64_t now);\n\n"
           "#ifdef __cplusplus\n}\n#endif\n\n#endif /* QEL_PLACES_H */\n";
}

}  // namespace

bool place_table_source(const PlaceTable &t, std::string &header, std::string &source, std::string &error) {
    if (t.names.empty()) {
        error = "the table has no places";
        return false;
    }
    for (const TableName &n : t.names) {
        if (n.name.empty() || n.name.size() > 255 ||
            std::any_of(n.name.begin(), n.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            error =
                "the name " + comment(n.name) + " cannot be held: empty, longer than 255 bytes or with control bytes";
            return false;
        }
    }
    // The records, once each, in the order of their words; their rules likewise.
    std::vector<qel_tzset> records;
    for (const TableName &n : t.names) {
        for (const TableSpan &s : n.spans) {
            if (s.has_record &&
                std::none_of(records.begin(), records.end(), [&](const qel_tzset &r) { return same(r, s.record); })) {
                records.push_back(s.record);
            }
        }
    }
    if (records.empty()) {
        error = "no record the libraries confirm holds for any place in the window: no table to write";
        return false;
    }
    std::sort(records.begin(), records.end(),
              [](const qel_tzset &a, const qel_tzset &b) { return words(a) < words(b); });
    std::vector<uint32_t> rules;
    for (const qel_tzset &r : records) {
        if (r.dst_on == 0) continue;
        for (const uint32_t p : {pack_rule(r.start), pack_rule(r.end)}) {
            if (std::find(rules.begin(), rules.end(), p) == rules.end()) rules.push_back(p);
        }
    }
    std::sort(rules.begin(), rules.end());
    const auto rule_index = [&](const qel_tzrule &r) {
        return static_cast<size_t>(std::find(rules.begin(), rules.end(), pack_rule(r)) - rules.begin());
    };
    // Every record must come back as it is from its packed form.
    for (const qel_tzset &r : records) {
        qel_tzset back{};
        back.zone = r.zone;
        if (r.dst_on != 0) {
            back.dst_on = 1;
            back.dst_minutes = r.dst_minutes;
            back.start = unpack_rule(pack_rule(r.start));
            back.end = unpack_rule(pack_rule(r.end));
        }
        if (!same(back, r) || r.zone < INT16_MIN || r.zone > INT16_MAX || r.dst_minutes < 0 ||
            r.dst_minutes > (r.dst_on != 0 ? 255 : 0) || (r.dst_on != 0 && r.dst_minutes == 0)) {
            error = "the record of " + tz_text(r) + " does not pack into the table's form";
            return false;
        }
    }
    const auto record_index = [&](const qel_tzset &r) {
        return static_cast<size_t>(
            std::find_if(records.begin(), records.end(), [&](const qel_tzset &x) { return same(x, r); }) -
            records.begin());
    };
    // A name whose one span has an exact record is that record; any other a schedule.
    const size_t none = records.size();
    std::vector<size_t> refs;
    std::vector<std::vector<std::pair<uint64_t, size_t>>> schedules;  // (until after FROM, record << 1 | approximate)
    std::vector<size_t> schedule_of_name, schedule_names;             // the name first with each schedule
    for (const TableName &n : t.names) {
        if (n.spans.size() == 1 && n.spans[0].has_record && !n.spans[0].approximate) {
            refs.push_back(record_index(n.spans[0].record));
            schedule_of_name.push_back(SIZE_MAX);
            continue;
        }
        std::vector<std::pair<uint64_t, size_t>> spans;
        for (const TableSpan &s : n.spans) {
            const size_t what = (s.has_record ? record_index(s.record) : none) << 1 | (s.approximate ? 1u : 0u);
            const auto until = static_cast<uint64_t>(s.span.to - t.window.from);
            if (!spans.empty() && spans.back().second == what) {
                spans.back().first = until;
            } else {
                spans.emplace_back(until, what);
            }
        }
        // A link shares its place's schedule, as does any place with the same spans.
        refs.push_back(SIZE_MAX);
        schedule_of_name.push_back(
            static_cast<size_t>(std::find(schedules.begin(), schedules.end(), spans) - schedules.begin()));
        if (schedule_of_name.back() == schedules.size()) {
            schedules.push_back(std::move(spans));
            schedule_names.push_back(schedule_of_name.size() - 1);
        }
    }
    size_t span_count = 0;
    for (const auto &s : schedules) span_count += s.size();
    for (size_t i = 0; i < refs.size(); ++i) {
        if (refs[i] == SIZE_MAX) refs[i] = records.size() + schedule_of_name[i];
    }
    const uint64_t window_length = static_cast<uint64_t>(t.window.to - t.window.from);
    const char *until_type = window_length <= UINT32_MAX ? "uint32_t" : "uint64_t";
    const NameCode names = code_names(t.names);
    if (names.count_by_length.size() > kLongestCode + 1) {
        error = "the names' code is longer than " + std::to_string(kLongestCode) + " bits";
        return false;
    }
    // Each index field's type holds the largest value it must: a place's ref,
    // a span's record << 1 | approximate, a schedule's first span, a record's
    // rules; the code's counts stay bytes.
    const char *ref_type = unsigned_type(records.size() + schedules.size() - 1);
    const char *what_type = unsigned_type(none << 1 | 1);
    const char *first_type = unsigned_type(span_count);
    const char *block_type = unsigned_type(names.bits.size() * 8);
    const char *rule_type = unsigned_type(rules.empty() ? 0 : rules.size() - 1);
    const unsigned most_of_a_length = *std::max_element(names.count_by_length.begin(), names.count_by_length.end());
    if (ref_type == nullptr || what_type == nullptr || first_type == nullptr || block_type == nullptr ||
        rule_type == nullptr || most_of_a_length > UINT8_MAX) {
        error = "the table is too large for its form: " + std::to_string(records.size()) + " records, " +
                std::to_string(rules.size()) + " rules, " + std::to_string(span_count) +
                " spans; use fewer places or a shorter window";
        return false;
    }

    std::string s = "/* qel_places.c - the place table (qel_places.h). Generated; do not edit.\n" + window_comment(t) +
                    " * A place the records cannot express over part of the window is marked\n"
                    " * beside it below: approximate (the nearest record, with its cost) or no\n"
                    " * record.\n */\n#include \"qel_places.h\"\n\n#include <string.h>\n\n";
    s += "#define PLACES " + std::to_string(t.names.size()) + "u\n#define BLOCK " + std::to_string(kBlock) +
         "u\n#define BLOCKS " + std::to_string(names.block_at.size()) + "u\n#define RECORDS " +
         std::to_string(records.size()) + "u\n\n";
    // Rules and records, a line each.
    s += "/* The records' rules: month << 23 | week << 20 | weekday << 17 | second of the day. */\n"
         "static const uint32_t rules[] = {\n";
    for (const uint32_t p : rules) {
        const qel_tzrule r = unpack_rule(p);
        s += "    " + format("0x%07" PRIx64 "u", p) + ", /* M" + std::to_string(r.month) + "." +
             std::to_string(r.week) + "." + std::to_string(r.wday) + "/" + format("%02" PRIu64, uint64_t(r.hour)) +
             ":" + format("%02" PRIu64, uint64_t(r.minute)) + ":" + format("%02" PRIu64, uint64_t(r.second)) + " */\n";
    }
    if (rules.empty()) s += "    0u /* none: no record has daylight saving */\n";
    s += "};\n\n/* The records, each once: zone, daylight minutes (0: none), start and end rules. */\n"
         "static const struct {\n    int16_t zone;\n    uint8_t dst;\n    " +
         std::string(rule_type) + " start, end;\n} records[] = {\n";
    for (size_t i = 0; i < records.size(); ++i) {
        const qel_tzset &r = records[i];
        const bool dst = r.dst_on != 0;
        s += "    {" + std::to_string(r.zone) + ", " + std::to_string(dst ? r.dst_minutes : 0) + ", " +
             std::to_string(dst ? rule_index(r.start) : 0) + ", " + std::to_string(dst ? rule_index(r.end) : 0) +
             "}, /* " + std::to_string(i) + ": " + tz_text(r) + " */\n";
    }
    s += "};\n";
    s += kUnpack;
    // Schedules, a line each.
    s += "\n/* Schedules: the spans of a place in order, each up to its end (seconds after\n"
         " * QEL_PLACES_FROM) with what it holds: record << 1 | approximate (record " +
         std::to_string(none) + ": none). */\nstatic const " + until_type + " span_until[] = {\n";
    std::string whats = "static const " + std::string(what_type) + " span_what[] = {\n";
    std::string firsts = "static const " + std::string(first_type) + " schedule_first[] = {\n";
    size_t first = 0;
    for (size_t k = 0; k < schedules.size(); ++k) {
        const size_t i = schedule_names[k];
        std::string until_line = "   ", what_line = "   ";
        for (const auto &[until, what] : schedules[k]) {
            until_line += " " + format("%" PRIu64 "u", until) + ",";
            what_line += " " + std::to_string(what) + ",";
        }
        std::string sharing;
        for (size_t j = i; j < t.names.size(); ++j) {
            if (schedule_of_name[j] == k) sharing += (sharing.empty() ? "" : ", ") + t.names[j].name;
        }
        const std::string note = " /* " + comment(sharing) + " */\n";
        s += until_line + note;
        whats += what_line + note;
        firsts += "    " + std::to_string(first) + "," + note;
        first += schedules[k].size();
    }
    if (span_count == 0) {
        s += "    0u /* none: every place has one record */\n";
        whats += "    0u\n";
    }
    s += "};\n" + whats + "};\n" + firsts + "    " + std::to_string(first) + "\n};\n\n";
    // The places, a line each, with what they hold.
    s += "struct qel_place {\n    " + std::string(ref_type) +
         " ref; /* below RECORDS: the record over the whole window; else RECORDS + its schedule */\n};\n\n"
         "static const struct qel_place places[PLACES] = {\n";
    for (size_t i = 0; i < t.names.size(); ++i) {
        const TableName &n = t.names[i];
        std::string what;
        if (!n.target.empty()) what = "-> " + n.target + ", ";
        for (const TableSpan &span : n.spans) {
            if (n.spans.size() > 1) what += "from " + iso_utc(span.span.from) + " ";
            what += span.has_record ? tz_text(span.record) : "no record (" + span.note + ")";
            if (span.approximate) what += " approximate: " + span.note;
            what += "; ";
        }
        what.resize(what.size() - 2);
        s += "    {" + std::to_string(refs[i]) + "}, /* " + comment(n.name) + ": " + comment(what) + " */\n";
    }
    s += "};\n\n";
    // The names' code.
    s += "/* The names, Huffman coded: the symbols by code length, then the bits. */\n"
         "static const uint8_t code_count[] = {";
    for (size_t l = 0; l < names.count_by_length.size(); ++l) {
        s += (l == 0 ? "" : ", ") + std::to_string(names.count_by_length[l]);
    }
    s += "};\nstatic const uint8_t code_symbol[] = {";
    for (size_t i = 0; i < names.symbols.size(); ++i) {
        s += std::string(i % 16 == 0 ? "\n    " : " ") + std::to_string(names.symbols[i]) + ",";
    }
    s += "\n};\nstatic const " + std::string(block_type) + " block_at[BLOCKS] = {";
    for (size_t i = 0; i < names.block_at.size(); ++i) {
        s += std::string(i % 12 == 0 ? "\n    " : " ") + std::to_string(names.block_at[i]) + "u,";
    }
    s += "\n};\nstatic const uint8_t name_bits[] = {";
    for (size_t i = 0; i < names.bits.size(); ++i) {
        s += std::string(i % 16 == 0 ? "\n    " : " ") + format("0x%02" PRIx64, names.bits[i]) + ",";
    }
    s += "\n};\n";
    s += kCode;
    source = s;
    header = header_text(t, names.longest + 1);
    return true;
}

}  // namespace qeltz
