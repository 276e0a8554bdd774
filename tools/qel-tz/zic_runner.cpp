#include "zic_runner.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

namespace qeltz {

void tz_names(const std::string &tz, std::string &std_name, std::string &dst_name) {
    const size_t sign = tz.find_first_of("+-");
    std_name = tz.substr(0, sign);
    const size_t dst_at = tz.find_first_not_of("+-0123456789:", sign);
    const size_t dst_end = tz.find_first_of("+-,", dst_at);
    dst_name = dst_at == std::string::npos ? "" : tz.substr(dst_at, dst_end - dst_at);
}

ScopedTz::ScopedTz(const std::string &tz) : ScopedEnv("TZ", tz, tzset) {}

ZicWorkspace::ZicWorkspace() : zic_(find_program("zic")), zdump_(find_program("zdump")) {}

std::string ZicWorkspace::compile(const std::string &text, std::string *said, const std::string &zone) const {
    const std::string source = dir_.path() + "/zone.zi";
    const std::string out = dir_.path() + "/out";
    if (!dir_.ok() || !write_file(source, text)) return "";
    const ProgramResult r = run_program({zic_, "-d", out, source});
    std::string output = r.output;
    while (!output.empty() && output.back() == '\n') output.pop_back();
    if (said != nullptr) *said = output;
    return r.ran && r.exit_status == 0 ? out + "/" + zone : "";
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
        if (ut == nullptr || rest == nullptr || strptime(ut + 2, "%a %b %d %H:%M:%S %Y", &tm) == nullptr ||
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
