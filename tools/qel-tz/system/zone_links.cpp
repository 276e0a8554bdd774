// SPDX-License-Identifier: MIT
#include "system/zone_links.hpp"

#include <sstream>

#include "system/process.hpp"

namespace qeltz {

std::map<std::string, std::string> zone_links(const std::string &tzdir) {
    std::map<std::string, std::string> links;
    std::string text;
    if (!read_file(tzdir + "/tzdata.zi", text)) return links;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword, target, name;
        // zic takes any beginning of "Link" as the keyword; tzdata.zi writes "L".
        if (words >> keyword >> target >> name && std::string("Link").compare(0, keyword.size(), keyword) == 0)
            links[name] = target;
    }
    return links;
}

}  // namespace qeltz
