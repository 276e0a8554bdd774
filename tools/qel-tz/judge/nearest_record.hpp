// SPDX-License-Identifier: MIT
// Where no record expresses a place over a span, the record nearest it: the
// one that gives the least wrong time there, with what it gets wrong said in
// words and numbers. A device holding a wrong record is told the least wrong
// one, never nothing.
#pragma once

#include <string>
#include <vector>

#include "judge/derive.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

struct Approximation {
    Derivation derivation;  // representable; its record gives other offsets than the place somewhere in the span
    Comparison comparison;  // the place against it over the span
    std::string cost;       // "30 minutes ahead from early April to early October each year, about ..."
};

// Among `tried` (the records the place's own changes allow), the fixed
// offsets of the catalogue's zones next to each of the place's offsets in
// the span and the place's rule line moved to the zones next to its standard
// offset, changing at its local times or at its instants: the one least
// wrong over the span (the seconds off, by the time they last: 15 minutes
// off all year beats 45 minutes off in April and 75 in September), then the
// one with the least wrong time. False where none is representable.
bool nearest_record(const TzifZone &zone, const std::vector<Derivation> &tried, Window span, Approximation &out);

// What a record gets wrong, from its comparison with the place over the
// span: each amount ahead or behind and when, and the hours in all.
std::string cost_text(const Comparison &c, Window span);

}  // namespace qeltz
