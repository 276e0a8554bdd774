// SPDX-License-Identifier: MIT
// A place table for firmware as C99 source: qel_places.h and qel_places.c,
// which a device compiles in to go from a place name and a time to the
// settings record in force, with no heap, no writable state and nothing but
// qel_time.h. The records are kept once each, packed; the names sorted,
// front coded (each shares what it can of the one before) in blocks of 16
// with a whole name at each block's start, and Huffman coded, so that a
// binary search over the block heads and a scan of one block finds a name.
// The same table gives byte-identical files: nothing in them depends on the
// time or the machine they are written on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "judge/window.hpp"
#include "qel_time.h"

namespace qeltz {

// A stretch of the window with what the table holds for it.
struct TableSpan {
    Window span;
    bool has_record = false;   // false: no record expresses the place here (`note` says why)
    qel_tzset record{};        // the record in force over the span
    bool approximate = false;  // the nearest record, not one that expresses the place (`note` gives its cost)
    std::string note;
};

// A name of the table: a place with its spans in order, covering the window,
// or an alias, a link of the database naming a place (`target`).
struct TableName {
    std::string name, target;
    std::vector<TableSpan> spans;  // the place's; an alias repeats its target's
};

struct PlaceTable {
    std::string tzdata, tool_version;
    Window window;
    std::vector<std::string> libraries;  // "glibc 2.36": those that judged every record
    std::vector<TableName> names;        // sorted by name (bytes, as strcmp orders them)
};

// Both files; false, with one line in `error`, for a table the form cannot
// hold (a name with control bytes or longer than 255 bytes, a record whose
// fields do not pack) and one without a single record.
bool place_table_source(const PlaceTable &table, std::string &header, std::string &source, std::string &error);

}  // namespace qeltz
