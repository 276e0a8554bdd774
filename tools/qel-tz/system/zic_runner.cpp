// SPDX-License-Identifier: MIT
#include "system/zic_runner.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

namespace qeltz {

ScopedTz::ScopedTz(const std::string &tz) : ScopedEnv("TZ", tz, tzset) {}

ZicWorkspace::ZicWorkspace() : zic_(find_program("zic")), zdump_(find_program("zdump")) {}

std::string ZicWorkspace::compile(const std::string &text, std::string *said, const std::string &zone) const {
    const auto known = zone == "local" ? compiled_.find(text) : compiled_.end();
    if (known != compiled_.end()) {
        if (said != nullptr) *said = known->second.said;
        return known->second.path;
    }
    const std::string source = dir_.write("zone.zi", text);
    const std::string out = dir_.path() + "/out";
    const ProgramResult r = run_program({zic_, "-d", out, source});
    if (said != nullptr) *said = program_said(r, dir_.path());
    if (r.ran && r.exit_status == 0) return out + "/" + zone;
    check_program_wrote(r.output);
    return "";
}

void ZicWorkspace::compile_all(const std::vector<std::string> &texts) {
    std::vector<std::string> fresh;
    for (const auto &t : texts) {
        if (compiled_.count(t) == 0) fresh.push_back(t);
    }
    std::sort(fresh.begin(), fresh.end());
    fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
    if (!usable() || fresh.empty()) return;
    const std::vector<ZicOutcome> outcomes = compile_batch(zic_, dir_.path(), fresh);
    for (size_t i = 0; i < fresh.size(); ++i) compiled_[fresh[i]] = outcomes[i];
}

std::vector<ZoneChange> ZicWorkspace::changes(const std::string &path, int from, int to) const {
    std::vector<ZoneChange> out;
    const ProgramResult r = run_program({zdump_, "-v", "-c", std::to_string(from) + "," + std::to_string(to), path});
    if (!r.ran) return out;
    std::istringstream lines(r.output);
    std::string line;
    bool second = false;
    while (std::getline(lines, line)) {
        const char *ut = std::strstr(line.c_str(), "  ");
        const char *eq = std::strstr(line.c_str(), " UT = ");
        const char *rest = eq != nullptr ? std::strrchr(eq, ':') : nullptr;  // the local time's seconds
        struct tm tm {};
        char zone[16] = {};
        ZoneChange c{};
        // zdump's own output, read with sscanf; the count of the fields read is checked.
        if (ut == nullptr || rest == nullptr || strptime(ut + 2, "%a %b %d %H:%M:%S %Y", &tm) == nullptr ||
            // NOLINTNEXTLINE(cert-err34-c)
            std::sscanf(rest, ":%*d %*d %15s isdst=%d gmtoff=%ld", zone, &c.isdst, &c.gmtoff) != 3) {
            continue;
        }
        c.at = static_cast<int64_t>(timegm(&tm));
        c.zone = zone;
        if (second) out.push_back(c);
        second = !second;
    }
    return out;
}

}  // namespace qeltz
