#include "catalogue.hpp"

namespace qel::tz {
namespace {

// Ordered by offset so that a code can be looked up by binary search.
constexpr Zone kZones[] = {
    {-720, "IDLW", "IDLWDT", 3, 0}, {-660, "BST", "BDT", 1, 1},   {-600, "HAST", "HADT", 2, 1},
    {-540, "AKST", "AKDT", 2, 1},   {-480, "PST", "PDT", 1, 1},   {-420, "MST", "MDT", 1, 1},
    {-360, "CST", "CDT", 1, 1},     {-300, "EST", "EDT", 1, 1},   {-270, "VET", "VDT", 1, 1},
    {-240, "AST", "ADT", 1, 1},     {-210, "NST", "NDT", 1, 1},   {-180, "BRT", "BRST", 1, 1},
    {-120, "FNT", "FNDT", 1, 1},    {-60, "EGT", "EGST", 1, 1},   {0, "GMT", "BST", 1, 1},
    {60, "CET", "CEST", 1, 1},      {120, "EET", "EEST", 1, 1},   {180, "MSK", "MSD", 2, 0},
    {210, "IRST", "IRDT", 2, 1},    {240, "AZT", "AZST", 1, 1},   {270, "AFT", "AFDT", 1, 1},
    {300, "YEKT", "YEKDT", 2, 1},   {330, "IST", "IDT", 1, 1},    {345, "NPT", "NPDT", 1, 1},
    {360, "NOVT", "NOVST", 2, 1},   {390, "MMT", "MMDT", 1, 1},   {420, "KRAT", "KRAST", 2, 1},
    {480, "AWST", "AWDT", 2, 1},    {540, "YAKT", "YAKST", 2, 1}, {570, "ACST", "ACDT", 2, 1},
    {600, "AEST", "AEDT", 2, 1},    {660, "MAGT", "MAGST", 2, 1}, {720, "NZST", "NZDT", 2, 1},
    {780, "WST", "WDT", 1, 1},      {840, "LINT", "LINDT", 2, 1},
};
constexpr int kZoneCount = static_cast<int>(sizeof kZones / sizeof kZones[0]);
static_assert(kZoneCount == 35, "the catalogue holds 35 zones");
constexpr int kUtcIndex = 14;
static_assert(kZones[kUtcIndex].minutes == 0, "kUtcIndex names the UTC zone");

const Zone *find_minutes(int64_t minutes) {
    int lo = 0;
    int hi = kZoneCount - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        if (kZones[mid].minutes == minutes) return &kZones[mid];
        if (kZones[mid].minutes < minutes) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return nullptr;
}

}  // namespace

const Zone *find_zone(int32_t code) {
    if (code >= kShortFirst && code <= kShortLast) return find_minutes(60 * int64_t{code - 100});
    if (code < kLongFirst || code > kLongLast) return nullptr;
    // Only the canonical spelling of an offset is a code: 10060 reads as
    // 60 minutes but is not the code of UTC+01:00.
    const int64_t minutes = code_minutes(code);
    if (long_code(minutes) != code) return nullptr;
    return find_minutes(minutes);
}

const Zone &utc_zone() { return kZones[kUtcIndex]; }

}  // namespace qel::tz
