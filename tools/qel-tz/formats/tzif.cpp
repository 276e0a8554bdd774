// SPDX-License-Identifier: MIT
#include "formats/tzif.hpp"

namespace qeltz {

namespace {

// A cursor over the file's bytes that never reads past the end.
class Bytes {
  public:
    explicit Bytes(const std::string &s) : s_(s) {}
    bool has(uint64_t n) const { return n <= s_.size() - pos_; }
    uint64_t take(int width) {
        uint64_t v = 0;
        for (int i = 0; i < width; ++i) v = v << 8 | static_cast<unsigned char>(s_[pos_++]);
        return v;
    }
    void skip(uint64_t n) { pos_ += static_cast<size_t>(n); }
    size_t pos() const { return pos_; }
    const std::string &text() const { return s_; }

  private:
    const std::string &s_;
    size_t pos_ = 0;
};

struct Header {
    char version;
    uint64_t isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt;
};

bool read_header(Bytes &b, Header &h, std::string &why) {
    // The bytes there are of the magic "TZif" as far as they go: a file cut
    // within a header (or before the second one) is cut, not another file.
    const size_t left = b.text().size() - b.pos(), magic = left < 4 ? left : 4;
    if ((left == 0 && b.pos() == 0) || b.text().compare(b.pos(), magic, "TZif", magic) != 0) {
        why = "not a compiled zone file (no TZif header)";
        return false;
    }
    if (!b.has(44)) {
        why = "TZif header cut short";
        return false;
    }
    b.skip(4);
    h.version = static_cast<char>(b.take(1));
    if (h.version != 0 && (h.version < '2' || h.version > '4')) {
        why = "unknown TZif version";
        return false;
    }
    b.skip(15);
    uint64_t *counts[] = {&h.isutcnt, &h.isstdcnt, &h.leapcnt, &h.timecnt, &h.typecnt, &h.charcnt};
    for (uint64_t *c : counts) *c = b.take(4);
    if (h.typecnt == 0 || h.typecnt > 256 || h.charcnt == 0 || (h.isutcnt != 0 && h.isutcnt != h.typecnt) ||
        (h.isstdcnt != 0 && h.isstdcnt != h.typecnt)) {
        why = "inconsistent TZif counts";
        return false;
    }
    return true;
}

// The data block after a header, with `width`-byte times (4 in version 1's
// block, 8 in the later one).
bool read_block(Bytes &b, const Header &h, int width, TzifZone &zone, std::string &why) {
    const auto w = static_cast<uint64_t>(width);
    const uint64_t size =
        h.timecnt * (w + 1) + h.typecnt * 6 + h.charcnt + h.leapcnt * (w + 4) + h.isstdcnt + h.isutcnt;
    if (!b.has(size)) {
        why = "TZif data cut short";
        return false;
    }
    zone.times.clear();
    zone.types_at.clear();
    zone.types.clear();
    for (uint64_t i = 0; i < h.timecnt; ++i) {
        const uint64_t raw = b.take(width);
        const int64_t t = width == 4 ? static_cast<int32_t>(static_cast<uint32_t>(raw)) : static_cast<int64_t>(raw);
        if (!zone.times.empty() && t <= zone.times.back()) {
            why = "TZif transitions out of order";
            return false;
        }
        zone.times.push_back(t);
    }
    for (uint64_t i = 0; i < h.timecnt; ++i) {
        const auto type = static_cast<uint8_t>(b.take(1));
        if (type >= h.typecnt) {
            why = "TZif transition names a type that does not exist";
            return false;
        }
        zone.types_at.push_back(type);
    }
    std::vector<uint64_t> name_at;
    for (uint64_t i = 0; i < h.typecnt; ++i) {
        TzifType t;
        t.utoff = static_cast<int32_t>(static_cast<uint32_t>(b.take(4)));
        const uint64_t isdst = b.take(1);
        name_at.push_back(b.take(1));
        if (isdst > 1 || name_at.back() >= h.charcnt || t.utoff == INT32_MIN) {
            why = "TZif local time type out of range";
            return false;
        }
        t.isdst = isdst == 1;
        zone.types.push_back(t);
    }
    const std::string names = b.text().substr(b.pos(), static_cast<size_t>(h.charcnt));
    for (size_t i = 0; i < zone.types.size(); ++i) {
        zone.types[i].abbr = names.c_str() + name_at[i];  // stops at the NUL
    }
    b.skip(h.charcnt + h.leapcnt * (w + 4) + h.isstdcnt + h.isutcnt);
    return true;
}

}  // namespace

bool parse_tzif(const std::string &bytes, TzifZone &zone, std::string &why) {
    zone = TzifZone{};
    Bytes b(bytes);
    Header h{};
    if (!read_header(b, h, why) || !read_block(b, h, 4, zone, why)) return false;
    zone.version = h.version;
    if (h.version == 0) return true;
    // Version 2 and later repeat the data with 64-bit times, then the footer.
    if (!read_header(b, h, why) || !read_block(b, h, 8, zone, why)) return false;
    if (!b.has(1) || b.take(1) != '\n') {
        why = "TZif footer missing";
        return false;
    }
    const size_t end = bytes.find('\n', b.pos());
    if (end == std::string::npos) {
        why = "TZif footer not ended";
        return false;
    }
    zone.rule_line = bytes.substr(b.pos(), end - b.pos());
    return true;
}

}  // namespace qeltz
