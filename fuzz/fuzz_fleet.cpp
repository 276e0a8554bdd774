// SPDX-License-Identifier: MIT
// qel-tz's fleet file reader on any bytes, as a stream. The first byte picks
// the bound on a row's length (8 to 263 bytes, so that short inputs have long
// rows) and the sizes of the chunks (1 to 16 bytes) the reader is handed; the
// rest is the file. Its records are those of a second reader written apart
// (tests/tools/csv_oracle.hpp), in order, with their lines, errors and bytes;
// the file is refused whole, in one line, for a foreign encoding (named as
// the oracle names it) or an unusable header row, otherwise every record
// after the header is a row; a row that is broken or too long is invalid,
// and each readable row holds a setting of its place that the device library
// and the TZ reader accept. The same file through fmemopen gives the same
// rows, and fields written with csv_field_exact read back as the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "formats/fleet_file.hpp"
#include "formats/posix_tz.hpp"
#include "fuzz_check.hpp"

namespace {

qeltz::CsvSource chunks(const std::string &text, uint32_t seed) {
    return [&text, seed, at = size_t{0}](char *buffer, size_t size) mutable -> long {
        seed = seed * 1103515245u + 12345u;
        const size_t n = std::min({size, size_t{1} + (seed >> 16) % 16, text.size() - at});
        std::memcpy(buffer, text.data() + at, n);
        at += n;
        return static_cast<long>(n);
    };
}

bool too_long(const std::string &error) { return error.rfind("the row is longer than ", 0) == 0; }

// Every record of `text`'s CSV, as the tool reads it.
std::vector<qeltz::CsvRecord> records_of(qeltz::CsvSource source, size_t bound, std::string &encoding) {
    qeltz::CsvReader csv(std::move(source), bound);
    std::vector<qeltz::CsvRecord> records;
    for (qeltz::CsvRecord r; csv.next(r);) records.push_back(r);
    encoding = csv.foreign_encoding() != nullptr ? csv.foreign_encoding() : "";
    FUZZ_CHECK(csv.read_error() == 0);
    return records;
}

void check_rows(qeltz::FleetReader &reader, const std::vector<qeltest::OracleRecord> &oracle,
                std::vector<qeltz::FleetEntry> &rows) {
    qeltz::FleetEntry row;
    for (size_t i = 1; reader.next(row); ++i) {
        FUZZ_CHECK(i < oracle.size() && row.line == oracle[i].line);
        FUZZ_CHECK(!oracle[i].too_long || too_long(row.invalid));
        FUZZ_CHECK(!oracle[i].broken || !row.invalid.empty());
        if (row.invalid.empty()) {
            const auto &cells = oracle[i].fields;
            FUZZ_CHECK(!row.device.empty() && std::find(cells.begin(), cells.end(), row.device) != cells.end());
            FUZZ_CHECK(row.setting.place == row.place && !row.place.empty());
            qeltz::PosixTz tz;
            std::string why;
            char out[256];
            FUZZ_CHECK(row.setting.tz.empty() ? qel_tzset_to_tzstr(&row.setting.record, out, sizeof out) == QEL_OK
                                              : qeltz::parse_posix_tz(row.setting.tz, tz, why));
        }
        rows.push_back(row);
    }
    FUZZ_CHECK(reader.error().empty() && rows.size() + 1 == oracle.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const size_t bound = size_t{8} + data[0];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    const auto oracle = qeltest::oracle_csv(text, bound);
    const std::string oracle_encoding = qeltest::oracle_encoding(text);

    std::string encoding;
    const auto records = records_of(chunks(text, data[0]), bound, encoding);
    FUZZ_CHECK(encoding == oracle_encoding && records.size() == oracle.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const auto &r = records[i];
        FUZZ_CHECK(r.line == oracle[i].line && r.error.empty() == !(oracle[i].broken || oracle[i].too_long));
        FUZZ_CHECK(too_long(r.error) == oracle[i].too_long);
        FUZZ_CHECK(!r.error.empty() || r.fields == oracle[i].fields);
    }

    // The well-formed records written back, after a line that hides the
    // first bytes from the encoding check, and read again.
    std::string written = "h\n";
    std::vector<std::vector<std::string>> wanted;
    for (const auto &r : records) {
        if (!r.error.empty() || (r.fields.size() == 1 && r.fields[0].empty())) continue;  // a blank line
        for (size_t f = 0; f < r.fields.size(); ++f)
            written += (f > 0 ? "," : "") + qeltz::csv_field_exact(r.fields[f]);
        written += '\n';
        wanted.push_back(r.fields);
    }
    const auto again = records_of(qeltz::csv_source(written), SIZE_MAX, encoding);
    FUZZ_CHECK(again.size() == wanted.size() + 1);
    for (size_t i = 0; i < wanted.size(); ++i)
        FUZZ_CHECK(again[i + 1].error.empty() && again[i + 1].fields == wanted[i]);

    qeltz::FleetReader reader(bound);
    std::string why;
    if (!reader.open(chunks(text, ~uint32_t{data[0]}), "fuzz", why)) {
        FUZZ_CHECK(!why.empty() && why.find('\n') == std::string::npos);
        FUZZ_CHECK(oracle_encoding.empty() || why == "the fleet file is " + oracle_encoding + "; save it as UTF-8");
        return 0;
    }
    FUZZ_CHECK(oracle_encoding.empty() && !oracle.empty() && !oracle[0].broken && !oracle[0].too_long);
    std::vector<qeltz::FleetEntry> rows, through_file;
    check_rows(reader, oracle, rows);

    // The same bytes as a FILE.
    std::FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "rb");
    FUZZ_CHECK(in != nullptr);
    qeltz::FleetReader file_reader(bound);
    FUZZ_CHECK(file_reader.open(in, "fuzz", why));
    check_rows(file_reader, oracle, through_file);
    std::fclose(in);
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(rows[i].device == through_file[i].device && rows[i].invalid == through_file[i].invalid);
    }
    return 0;
}
