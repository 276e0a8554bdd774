// SPDX-License-Identifier: MIT
// Comma-separated text as RFC 4180 writes it: fields in double quotes may
// hold commas, quotes (doubled) and line ends. A record ends at a line end:
// LF, CRLF, or a CR alone (as old Mac programs save text), so rows never run
// together whichever convention wrote them. Inside quotes a CR, an LF or a
// CRLF is the field's data, kept byte for byte; it still counts as a line
// end for line numbers. A UTF-8 byte order mark at the start is passed over
// and blank lines are no records. Fields are the file's bytes as they are:
// nothing is trimmed, decoded or escaped.
//
// A record that breaks the quoting rules, or is longer than the reader's
// bound, is kept with its error, and reading goes on after the next line end,
// inside quotes or not: one damaged row never takes the rows after it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qeltz {

// The longest record a reader keeps, in bytes of the file from its first
// byte up to its line end. A real row is a few hundred bytes; the bound keeps
// the reader's memory small whatever the file holds (a quote never closed, a
// binary file), and a longer record is refused with its error.
constexpr size_t kCsvMaxRecordBytes = 64 * 1024;

struct CsvRow {
    size_t line = 0;       // the line the record starts on, from 1
    size_t last_line = 0;  // the line its last byte is on (a line end is on the line it ends)
    // Where the first of its quoted fields that runs over a line end opens,
    // and the line its closing quote is on: 0 for none, and for a quote
    // never closed.
    size_t quote_line = 0, quote_closed = 0;
    std::vector<std::string> fields;
    std::string error;  // empty for a well-formed record
};

// Where a reader takes its bytes: up to `size` of them into `buffer`. It
// returns how many it read, 0 at the end of the input, or -1 on a read error
// with errno set.
using CsvSource = std::function<long(char *buffer, size_t size)>;

// Reads `in` (left open); a read error sets errno from the C library, EIO
// where it sets none.
CsvSource csv_source(std::FILE *in);
// Reads `text`, which must outlive the source.
CsvSource csv_source(const std::string &text);

// Reads records one at a time in one pass, holding one chunk of input and
// one record whatever the size of the file.
class CsvReader {
  public:
    explicit CsvReader(CsvSource source, size_t max_record = kCsvMaxRecordBytes);

    // The encoding of a file this reader cannot read, as its first bytes
    // show it: a UTF-16 or UTF-32 byte order mark, or (without one) a NUL in
    // every other byte, as ASCII text saved as UTF-16 has. "UTF-16
    // (little-endian)", "UTF-16 (big-endian)", "UTF-32 (little-endian)" or
    // "UTF-32 (big-endian)"; nullptr for any other file. Such a file yields
    // no record.
    const char *foreign_encoding();

    // The next record into `r` (whose storage is reused); false at the end of
    // the input or after a read error.
    bool next(CsvRow &r);

    // 0, or the errno of the read error that ended the input.
    int read_error() const { return read_errno_; }

    // The physical lines passed so far: one a line end, and one for bytes
    // after the last line end.
    size_t lines() const { return line_ - 1 + (open_line_ ? 1 : 0); }

  private:
    enum State { kFieldStart, kPlain, kQuoted, kAfterQuote, kSkip };
    void start();
    bool read_more();
    void pass(char c);
    void fail(CsvRow &r, State &state, const std::string &why);

    CsvSource source_;
    size_t max_record_;
    std::string too_long_;  // the error of a record past the bound
    std::vector<char> buffer_;
    size_t pos_ = 0, end_ = 0;
    size_t line_ = 1;
    bool after_cr_ = false;   // the byte last passed was a CR: an LF now ends the same line
    bool open_line_ = false;  // a byte other than a line end was passed since the last line end
    bool started_ = false, ended_ = false;
    int read_errno_ = 0;
    const char *encoding_ = nullptr;
};

// Every record of a text, as a CsvReader with the default bound reads it.
std::vector<CsvRow> read_csv(const std::string &text);

// One field written as CSV that reads back as the same bytes: in double
// quotes, with its quotes doubled, where it holds a comma, a quote, a CR or
// an LF or starts or ends with a space or a tab; as it is otherwise. No byte
// is escaped or changed: that is a printer's choice for a terminal, not for
// a file.
std::string csv_field_exact(const std::string &field);

}  // namespace qeltz
