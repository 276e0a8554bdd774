#include "catalogue.hpp"

namespace qel::tz {
namespace {

// Ordered by offset.
constexpr Zone kZones[] = {
    {8800, "IDLW", "IDLWDT", 3, 0}, {8900, "BST", "BDT", 1, 1},     {9000, "HAST", "HADT", 2, 1},
    {9100, "AKST", "AKDT", 2, 1},   {9200, "PST", "PDT", 1, 1},     {9300, "MST", "MDT", 1, 1},
    {9400, "CST", "CDT", 1, 1},     {9500, "EST", "EDT", 1, 1},     {9570, "VET", "VDT", 1, 1},
    {9600, "AST", "ADT", 1, 1},     {9670, "NST", "NDT", 1, 1},     {9700, "BRT", "BRST", 1, 1},
    {9800, "FNT", "FNDT", 1, 1},    {9900, "EGT", "EGST", 1, 1},    {10000, "GMT", "BST", 1, 1},
    {10100, "CET", "CEST", 1, 1},   {10200, "EET", "EEST", 1, 1},   {10300, "MSK", "MSD", 2, 0},
    {10330, "IRST", "IRDT", 2, 1},  {10400, "AZT", "AZST", 1, 1},   {10430, "AFT", "AFDT", 1, 1},
    {10500, "YEKT", "YEKDT", 2, 1}, {10530, "IST", "IDT", 1, 1},    {10545, "NPT", "NPDT", 1, 1},
    {10600, "NOVT", "NOVST", 2, 1}, {10630, "MMT", "MMDT", 1, 1},   {10700, "KRAT", "KRAST", 2, 1},
    {10800, "AWST", "AWDT", 2, 1},  {10900, "YAKT", "YAKST", 2, 1}, {10930, "ACST", "ACDT", 2, 1},
    {11000, "AEST", "AEDT", 2, 1},  {11100, "MAGT", "MAGST", 2, 1}, {11200, "NZST", "NZDT", 2, 1},
    {11300, "WST", "WDT", 1, 1},    {11400, "LINT", "LINDT", 2, 1},
};
constexpr int kZoneCount = static_cast<int>(sizeof kZones / sizeof kZones[0]);
static_assert(kZoneCount == 35, "the catalogue holds 35 zones");

// Every catalogue offset is a whole number of quarter hours from UTC-12:00
// to UTC+14:00, so an offset finds its row through a quarter-hour slot.
constexpr int kFirstMinutes = -720;
constexpr int kSlots = (840 - kFirstMinutes) / 15 + 1;

constexpr uint8_t kNoRow = 0xFF;
struct SlotIndex {
    uint8_t row[kSlots];
};

// Built from kZones at compile time: the row of each quarter-hour slot, or
// kNoRow.
constexpr SlotIndex make_slot_index() {
    SlotIndex index{};
    for (uint8_t &r : index.row) r = kNoRow;
    for (int i = 0; i < kZoneCount; ++i) {
        index.row[(kZones[i].minutes() - kFirstMinutes) / 15] = static_cast<uint8_t>(i);
    }
    return index;
}
constexpr SlotIndex kSlotIndex = make_slot_index();

constexpr uint8_t kUtcRow = kSlotIndex.row[(0 - kFirstMinutes) / 15];
static_assert(kUtcRow != kNoRow && kZones[kUtcRow].code == kLongUtc, "the catalogue has a UTC row");

}  // namespace

const Zone *find_zone(int32_t code) {
    int32_t long_code = code;
    if (code >= kShortFirst && code <= kShortLast) {
        long_code = kLongUtc + (code - 100) * 100;
    } else if (code < kLongFirst || code > kLongLast) {
        return nullptr;
    }
    const int32_t minutes = code_minutes(long_code);
    if (minutes < kFirstMinutes || minutes % 15 != 0) return nullptr;
    const int slot = (minutes - kFirstMinutes) / 15;
    if (slot >= kSlots) return nullptr;
    const uint8_t row = kSlotIndex.row[slot];
    // Only the canonical spelling of an offset is a code: 10060 reads as
    // 60 minutes, but the code of UTC+01:00 is 10100.
    if (row == kNoRow || kZones[row].code != long_code) return nullptr;
    return &kZones[row];
}

const Zone &utc_zone() { return kZones[kUtcRow]; }

}  // namespace qel::tz
