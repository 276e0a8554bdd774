// SPDX-License-Identifier: MIT
// What a page's timelines draw (commands/report_html.hpp): a place's local
// time over the window and a setting's TZ string or record as each C library
// reads it against the place, asked of the engine for the few settings a
// page draws, in one run. The verdicts, reasons and schedules on the page are
// the command's own; this only gives the comparisons behind them.
#pragma once

#include <string>
#include <vector>

#include "judge/engine.hpp"

namespace qeltz {

struct TimelineQuestion {
    const TzDatabase *db = nullptr;
    std::string place;
    std::string tz;  // the TZ string held, or
    bool has_record = false;
    qel_tzset record{};                                // the record held; neither: the place alone
    const std::vector<CLibrary> *libraries = nullptr;  // those of the row, else the engine's
};

struct DrawnTimeline {
    bool ok = false;                          // the place was loaded
    std::vector<Span> place;                  // its local time over the window
    std::vector<LibraryComparison> readings;  // the setting read by each library, against the place
};

// False, with why, where a reader fails.
bool draw_timelines(Window window, const std::vector<CLibrary> &libraries,
                    const std::vector<TimelineQuestion> &questions, std::vector<DrawnTimeline> &drawn,
                    std::string &why);

}  // namespace qeltz
