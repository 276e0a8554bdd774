// SPDX-License-Identifier: MIT
#include "catalogue.hpp"

namespace qel::tz {
namespace {

// The catalogue, ordered by offset. UTC's daylight name BST does not fit its
// FORMAT G%sT; its zic letters D make GDT, the daylight letter of the zones
// whose daylight names have no letters of their own either.
constexpr Zone kZones[] = {
    // code   TZ std  TZ dst    zic FORMAT  std  dst letters
    {8800, "IDLW", "IDLWDT", "IDL%s", "W", "WDT"}, {8900, "BST", "BDT", "B%sT", "S", "D"},
    {9000, "HAST", "HADT", "HA%sT", "S", "D"},     {9100, "AKST", "AKDT", "AK%sT", "S", "D"},
    {9200, "PST", "PDT", "P%sT", "S", "D"},        {9300, "MST", "MDT", "M%sT", "S", "D"},
    {9400, "CST", "CDT", "C%sT", "S", "D"},        {9500, "EST", "EDT", "E%sT", "S", "D"},
    {9570, "VET", "VDT", "V%sT", "E", "D"},        {9600, "AST", "ADT", "A%sT", "S", "D"},
    {9670, "NST", "NDT", "N%sT", "S", "D"},        {9700, "BRT", "BRST", "B%sT", "R", "RS"},
    {9800, "FNT", "FNDT", "F%sT", "N", "ND"},      {9900, "EGT", "EGST", "E%sT", "G", "GS"},
    {10000, "GMT", "BST", "G%sT", "M", "D"},       {10100, "CET", "CEST", "C%sT", "E", "ES"},
    {10200, "EET", "EEST", "E%sT", "E", "ES"},     {10300, "MSK", "MSD", "MS%s", "K", "D"},
    {10330, "IRST", "IRDT", "IR%sT", "S", "D"},    {10400, "AZT", "AZST", "A%sT", "Z", "ZS"},
    {10430, "AFT", "AFDT", "A%sT", "F", "FD"},     {10500, "YEKT", "YEKDT", "YE%sT", "K", "KD"},
    {10530, "IST", "IDT", "I%sT", "S", "D"},       {10545, "NPT", "NPDT", "N%sT", "P", "PD"},
    {10600, "NOVT", "NOVST", "NO%sT", "V", "VS"},  {10630, "MMT", "MMDT", "M%sT", "M", "MD"},
    {10700, "KRAT", "KRAST", "KR%sT", "A", "AS"},  {10800, "AWST", "AWDT", "AW%sT", "S", "D"},
    {10900, "YAKT", "YAKST", "YA%sT", "K", "KS"},  {10930, "ACST", "ACDT", "AC%sT", "S", "D"},
    {11000, "AEST", "AEDT", "AE%sT", "S", "D"},    {11100, "MAGT", "MAGST", "MA%sT", "G", "GS"},
    {11200, "NZST", "NZDT", "NZ%sT", "S", "D"},    {11300, "WST", "WDT", "W%sT", "S", "D"},
    {11400, "LINT", "LINDT", "LI%sT", "N", "ND"},
};
static_assert(sizeof kZones / sizeof kZones[0] == 35, "the catalogue holds 35 zones");

constexpr int32_t kUtcRow = 14;
static_assert(kZones[kUtcRow].code == 10000, "UTC's row");

}  // namespace

int32_t Zone::minutes() const { return code_minutes(code); }

const Zone *find_zone(int32_t code) {
    // A short code is 100 + hours; its long code is 10000 + 100 * hours.
    const int32_t long_code = code >= 88 && code <= 114 ? 10000 + (code - 100) * 100 : code;
    for (const Zone &zone : kZones) {
        if (zone.code == long_code) return &zone;
    }
    return nullptr;
}

const Zone &utc_zone() { return kZones[kUtcRow]; }

}  // namespace qel::tz
