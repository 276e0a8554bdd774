// SPDX-License-Identifier: MIT
// The one JSON writer of the tool: {"key": value, ...} and [a, b], written
// to a stream as it goes, strings escaped. An object or array at the top
// level ends its line. Every command that prints JSON writes it through this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qel_time.h"

namespace qeltz {

class JsonWriter {
  public:
    explicit JsonWriter(std::FILE *out) : out_(out) {}
    // Into a text instead (a CSV cell that holds JSON).
    explicit JsonWriter(std::string &out) : buffer_(&out) {}

    JsonWriter &object();
    // An array whose values are separated by `separator` (places puts each
    // row on a line of its own).
    JsonWriter &array(const char *separator = ", ");
    JsonWriter &end();  // of the innermost object or array

    JsonWriter &key(const char *name);
    JsonWriter &string(const std::string &s);
    JsonWriter &number(int64_t n);
    JsonWriter &decimal(double d);  // as decimal_text writes it
    JsonWriter &boolean(bool b);
    JsonWriter &null();
    JsonWriter &string_or_null(const std::string &s);  // null for the empty text

  private:
    void value_starts();
    void text(const std::string &s);

    struct Level {
        char close;
        const char *separator;
        bool first;
    };
    std::FILE *out_ = nullptr;
    std::string *buffer_ = nullptr;
    std::vector<Level> levels_;
    bool after_key_ = false;
};

// A record as `qel-tz parse --json` prints it; null for none.
void write_record(JsonWriter &json, const qel_tzset &record);
void write_record(JsonWriter &json, const qel_tzset *record);

// A string as JSON writes it, quotes included.
std::string json_text(const std::string &s);

// A number with at most four decimals, trailing zeros left out: "20664",
// "0.5", "0.0003".
std::string decimal_text(double d);

}  // namespace qeltz
