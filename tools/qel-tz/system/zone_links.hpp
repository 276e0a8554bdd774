// SPDX-License-Identifier: MIT
// The links of a tz database: other names for a zone (US/Eastern for
// America/New_York). A database installs them as hard links or symbolic
// links; either way tzdata.zi lists each as "L target link".
#pragma once

#include <map>
#include <string>

namespace qeltz {

// Link name to the zone it names, from the database's tzdata.zi (empty
// without one).
std::map<std::string, std::string> zone_links(const std::string &tzdir);

}  // namespace qeltz
