// SPDX-License-Identifier: MIT
// A timeline as inline SVG for a page (report_html.hpp): UTC offsets over a
// window as step lines (the place's first, solid; the readings after it,
// dashed), the instants where any of them changes marked and labelled where
// there is room, and a lane per reading with the stretches where it is wrong,
// marked by a hatch as well as by colour. Every mark carries a <title> in
// words, and the picture one for the whole, so nothing is said by colour or
// shape alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltz {

struct TimelineStep {
    int64_t from = 0;    // UTC; the first step starts at or before the window
    int32_t offset = 0;  // seconds east of UTC
};

struct TimelineLine {
    std::string label;  // "America/Vancouver in 2026f"
    std::vector<TimelineStep> steps;
};

struct TimelineStretch {
    int64_t from = 0, until = 0;
    std::string text;  // what is wrong then, in words
};

struct TimelineLane {
    std::string label;  // "wrong as glibc 2.36 reads it"
    std::vector<TimelineStretch> wrong;
};

struct TimelinePicture {
    int64_t from = 0, to = 0;  // the window, UTC
    std::string id;            // unique in the page: names the hatch pattern
    std::string title;         // the text alternative of the whole
    std::vector<TimelineLine> lines;
    std::vector<TimelineLane> lanes;
};

std::string timeline_svg(const TimelinePicture &p);

}  // namespace qeltz
