// SPDX-License-Identifier: MIT
// qel-tz's fleet file reader on any bytes, as a stream. The first byte picks
// the bound on a row's length (8 to 263 bytes, so that short inputs have long
// rows) and the sizes of the chunks (1 to 16 bytes) the reader is handed; the
// rest is the file. Its records are those of a second reader written apart
// (tests/tools/csv_oracle.hpp), in order, with their first and last lines,
// the lines of the quote that carries one over a line end, errors and bytes;
// the file is refused whole, in one line, for a foreign encoding (named as
// the oracle names it) or an unusable header row, otherwise every record
// after the header is a row, and a read error at the end (in half of the
// runs) is named after them; a row that is broken or too long is invalid
// (where it runs over line ends, its reason names the quote's line and its
// last), each readable row holds a setting of its place that the device
// library and the TZ reader accept, and every line of the file is the
// header's, a row's or blank, as the second reader counts them. Fields
// written with csv_field_exact, those of broken records too, read back as
// the same bytes.
#include <algorithm>
#include <cerrno>
#include <cstdint>
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

bool too_long(const std::string &error) { return error.rfind("the row is longer than ", 0) == 0; }

// Every record from `source`, as the tool reads it.
std::vector<qeltz::CsvRow> records_of(qeltz::CsvSource source, size_t bound, std::string &encoding) {
    qeltz::CsvReader csv(std::move(source), bound);
    std::vector<qeltz::CsvRow> records;
    for (qeltz::CsvRow r; csv.next(r);) records.push_back(r);
    encoding = csv.foreign_encoding() != nullptr ? csv.foreign_encoding() : "";
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const size_t bound = size_t{8} + data[0];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    const auto oracle = qeltest::oracle_csv(text, bound);
    const std::string oracle_encoding = qeltest::oracle_encoding(text);

    std::string encoding;
    const auto records = records_of(qeltest::chunks_of(text, data[0]), bound, encoding);
    FUZZ_CHECK(encoding == oracle_encoding && records.size() == oracle.size());
    for (size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(records[i].line == oracle[i].line && records[i].fields == oracle[i].fields);
        FUZZ_CHECK(records[i].last_line == oracle[i].last_line && records[i].quote_line == oracle[i].quote_line &&
                   records[i].quote_closed == oracle[i].quote_closed);
        FUZZ_CHECK(records[i].error.empty() == !(oracle[i].broken || oracle[i].too_long) &&
                   too_long(records[i].error) == oracle[i].too_long);
    }

    // The fields of every record written back after a field "h" (which
    // keeps a line from being blank or the file from looking like UTF-16),
    // and read again.
    std::string written;
    for (const auto &r : records) {
        written += "h";
        for (const std::string &field : r.fields) written += "," + qeltz::csv_field_exact(field);
        written += '\n';
    }
    const auto again = records_of(qeltz::csv_source(written), SIZE_MAX, encoding);
    FUZZ_CHECK(again.size() == records.size());
    for (size_t i = 0; i < again.size(); ++i) {
        FUZZ_CHECK(again[i].error.empty() && again[i].fields.size() == records[i].fields.size() + 1 &&
                   std::equal(records[i].fields.begin(), records[i].fields.end(), again[i].fields.begin() + 1));
    }

    qeltz::FleetReader reader(bound);
    std::string why;
    // Half of the inputs end in a read error rather than the end of the file.
    const bool fails = data[0] >= 128;
    auto failing = [chunks = qeltest::chunks_of(text, ~uint32_t{data[0]}), fails](char *to, size_t n) -> long {
        const long got = chunks(to, n);
        errno = EIO;
        return got == 0 && fails ? -1 : got;
    };
    if (!reader.open(failing, "fuzz", why)) {
        FUZZ_CHECK(!why.empty() && why.find('\n') == std::string::npos);
        FUZZ_CHECK(oracle_encoding.empty() || why == "the fleet file is " + oracle_encoding + "; save it as UTF-8");
        return 0;
    }
    FUZZ_CHECK(oracle_encoding.empty() && !oracle.empty() && !oracle[0].broken && !oracle[0].too_long);
    qeltz::FleetEntry row;
    size_t i = 1, multiline = 0, in_multiline = 0;
    for (; reader.next(row); ++i) {
        FUZZ_CHECK(i < oracle.size() && row.line == oracle[i].line && too_long(row.invalid) == oracle[i].too_long);
        FUZZ_CHECK(row.last_line == oracle[i].last_line);
        if (row.last_line > row.line) {
            ++multiline;
            in_multiline += row.last_line - row.line + 1;
            FUZZ_CHECK(row.invalid.empty() ||
                       (row.invalid.find("line " + std::to_string(oracle[i].quote_line)) != std::string::npos &&
                        row.invalid.find(std::to_string(row.last_line) + " w") != std::string::npos));
        }
        if (!row.invalid.empty()) continue;
        FUZZ_CHECK(!oracle[i].broken);
        const auto &cells = oracle[i].fields;
        FUZZ_CHECK(!row.device.empty() && std::find(cells.begin(), cells.end(), row.device) != cells.end());
        FUZZ_CHECK(row.setting.place == row.place && !row.place.empty());
        qeltz::PosixTz tz;
        char out[256];
        FUZZ_CHECK(row.setting.tz.empty() ? qel_tzset_to_tzstr(&row.setting.record, out, sizeof out) == QEL_OK
                                          : qeltz::parse_posix_tz(row.setting.tz, tz, why));
    }
    FUZZ_CHECK(reader.error() == (fails ? "cannot read the fleet file fuzz: Input/output error" : "") &&
               i == oracle.size());
    const qeltz::FleetLines &lines = reader.lines();
    FUZZ_CHECK(lines.file == qeltest::oracle_lines(text) && lines.header == oracle[0].last_line - oracle[0].line + 1 &&
               lines.rows == oracle.size() - 1 && lines.multiline_rows == multiline &&
               lines.in_multiline_rows == in_multiline && lines.blank() <= lines.file);
    return 0;
}
