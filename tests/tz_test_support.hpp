// SPDX-License-Identifier: MIT
// Shared by the timezone tests: the catalogue as the tests know it, building
// records, and calling the writers into std::string.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qel_time.h"

namespace qeltest {

// The 35 zones: offset from UTC, TZ names, zic FORMAT and letters. Codes and
// every offset text are computed from the offset.
struct Zone {
    const char *offset, *std, *dst, *format, *std_letters, *dst_letters;

    int sign() const { return offset[0] == '-' ? -1 : 1; }
    int hours() const { return std::atoi(offset + 1); }
    int mins() const { return std::atoi(offset + 4); }
    int32_t minutes() const { return sign() * (60 * hours() + mins()); }
    int32_t long_code() const { return 10000 + sign() * (100 * hours() + mins()); }
    int32_t short_code() const { return mins() == 0 ? 100 + sign() * hours() : 0; }
};
inline const Zone kCatalogue[] = {
    {"-12:00", "IDLW", "IDLWDT", "IDL%s", "W", "WDT"}, {"-11:00", "BST", "BDT", "B%sT", "S", "D"},
    {"-10:00", "HAST", "HADT", "HA%sT", "S", "D"},     {"-09:00", "AKST", "AKDT", "AK%sT", "S", "D"},
    {"-08:00", "PST", "PDT", "P%sT", "S", "D"},        {"-07:00", "MST", "MDT", "M%sT", "S", "D"},
    {"-06:00", "CST", "CDT", "C%sT", "S", "D"},        {"-05:00", "EST", "EDT", "E%sT", "S", "D"},
    {"-04:30", "VET", "VDT", "V%sT", "E", "D"},        {"-04:00", "AST", "ADT", "A%sT", "S", "D"},
    {"-03:30", "NST", "NDT", "N%sT", "S", "D"},        {"-03:00", "BRT", "BRST", "B%sT", "R", "RS"},
    {"-02:00", "FNT", "FNDT", "F%sT", "N", "ND"},      {"-01:00", "EGT", "EGST", "E%sT", "G", "GS"},
    {"+00:00", "GMT", "BST", "G%sT", "M", "D"},        {"+01:00", "CET", "CEST", "C%sT", "E", "ES"},
    {"+02:00", "EET", "EEST", "E%sT", "E", "ES"},      {"+03:00", "MSK", "MSD", "MS%s", "K", "D"},
    {"+03:30", "IRST", "IRDT", "IR%sT", "S", "D"},     {"+04:00", "AZT", "AZST", "A%sT", "Z", "ZS"},
    {"+04:30", "AFT", "AFDT", "A%sT", "F", "FD"},      {"+05:00", "YEKT", "YEKDT", "YE%sT", "K", "KD"},
    {"+05:30", "IST", "IDT", "I%sT", "S", "D"},        {"+05:45", "NPT", "NPDT", "N%sT", "P", "PD"},
    {"+06:00", "NOVT", "NOVST", "NO%sT", "V", "VS"},   {"+06:30", "MMT", "MMDT", "M%sT", "M", "MD"},
    {"+07:00", "KRAT", "KRAST", "KR%sT", "A", "AS"},   {"+08:00", "AWST", "AWDT", "AW%sT", "S", "D"},
    {"+09:00", "YAKT", "YAKST", "YA%sT", "K", "KS"},   {"+09:30", "ACST", "ACDT", "AC%sT", "S", "D"},
    {"+10:00", "AEST", "AEDT", "AE%sT", "S", "D"},     {"+11:00", "MAGT", "MAGST", "MA%sT", "G", "GS"},
    {"+12:00", "NZST", "NZDT", "NZ%sT", "S", "D"},     {"+13:00", "WST", "WDT", "W%sT", "S", "D"},
    {"+14:00", "LINT", "LINDT", "LI%sT", "N", "ND"},
};

// All 62 codes the writers know: 35 long and 27 short.
inline std::vector<int32_t> catalogue_codes() {
    std::vector<int32_t> codes;
    for (const Zone &z : kCatalogue) {
        codes.push_back(z.long_code());
        if (z.short_code() != 0) codes.push_back(z.short_code());
    }
    return codes;
}

inline qel_tzrule rule(int32_t month, int32_t week, int32_t wday, int32_t hour = 0, int32_t minute = 0,
                       int32_t second = 0) {
    return qel_tzrule{month, week, wday, hour, minute, second, 0};
}

inline qel_tzset record(int32_t zone, int32_t dst_on = 0, int32_t dst_minutes = 0, qel_tzrule start = rule(3, 5, 0, 2),
                        qel_tzrule end = rule(10, 5, 0, 3)) {
    return qel_tzset{zone, dst_on, dst_minutes, start, end};
}

using Writer = int32_t (*)(const qel_tzset *, char *, int32_t);

// Writes into a 1024-byte buffer; the text, or "<rc>" on failure.
inline std::string write(Writer writer, const qel_tzset &r) {
    char buf[1024];
    const int32_t rc = writer(&r, buf, sizeof buf);
    return rc == QEL_OK ? std::string(buf) : "<" + std::to_string(rc) + ">";
}
inline std::string tzstr(const qel_tzset &r) { return write(qel_tzset_to_tzstr, r); }
inline std::string zicstr(const qel_tzset &r) { return write(qel_tzset_to_zicstr, r); }

inline bool same_record(const qel_tzset &a, const qel_tzset &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace qeltest
