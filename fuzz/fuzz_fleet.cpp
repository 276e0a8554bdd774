// SPDX-License-Identifier: MIT
// qel-tz's fleet file reader on any bytes. The comma-separated records are
// those of a second reader written apart (tests/tools/csv_oracle.hpp); a file
// is refused whole only without a usable header row, otherwise every record
// after the header is a row; each readable row points to a distinct setting
// of its place that the device library and the TZ reader accept.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "formats/fleet_file.hpp"
#include "fuzz_check.hpp"
#include "formats/posix_tz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const auto records = qeltz::read_csv(text);
    const auto oracle = qeltest::oracle_csv(text);
    FUZZ_CHECK(records.size() == oracle.size());
    for (size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(records[i].line == oracle[i].line && records[i].error.empty() == !oracle[i].broken);
        FUZZ_CHECK(oracle[i].broken || records[i].fields == oracle[i].fields);
    }

    qeltz::Fleet fleet;
    std::string why;
    if (!qeltz::read_fleet(text, fleet, why)) {
        FUZZ_CHECK(!why.empty() && why.find('\n') == std::string::npos);
        return 0;
    }
    FUZZ_CHECK(!oracle.empty() && !oracle[0].broken && fleet.rows.size() == oracle.size() - 1);
    std::set<std::string> distinct;
    for (const auto &s : fleet.settings) {
        FUZZ_CHECK(!s.place.empty());
        qeltz::PosixTz tz;
        char out[256];
        FUZZ_CHECK(s.tz.empty() ? qel_tzset_to_tzstr(&s.record, out, sizeof out) == QEL_OK
                                : qeltz::parse_posix_tz(s.tz, tz, why));
        std::string key = s.place + '\0' + s.tz + '\0';
        key.append(reinterpret_cast<const char *>(&s.record), sizeof s.record);
        FUZZ_CHECK(distinct.insert(key).second);
    }
    for (size_t i = 0; i < fleet.rows.size(); ++i) {
        const auto &row = fleet.rows[i];
        FUZZ_CHECK(row.line == oracle[i + 1].line);
        FUZZ_CHECK(row.invalid.empty() == (row.setting != qeltz::FleetRow::kInvalid));
        if (row.invalid.empty()) {
            FUZZ_CHECK(!oracle[i + 1].broken && !row.device.empty() && row.setting < fleet.settings.size());
            const auto &cells = oracle[i + 1].fields;
            FUZZ_CHECK(std::find(cells.begin(), cells.end(), row.device) != cells.end());
            FUZZ_CHECK(fleet.settings[row.setting].place == row.place);
        }
    }
    return 0;
}
