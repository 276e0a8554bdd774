// SPDX-License-Identifier: MIT
// Comma-separated text as RFC 4180 writes it: fields in double quotes may
// hold commas, quotes (doubled) and line ends; records end with CRLF or LF.
// A byte order mark at the start is passed over and blank lines are no
// records. A record that breaks the quoting rules is kept with its error, and
// reading goes on at the next line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qeltz {

struct CsvRecord {
    size_t line = 0;  // the line the record starts on, from 1
    std::vector<std::string> fields;
    std::string error;  // empty for a well-formed record
};

std::vector<CsvRecord> read_csv(const std::string &text);

}  // namespace qeltz
