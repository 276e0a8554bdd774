// Helpers for handing texts to the real consumers of what the library writes:
// a TZ string to the C library (ScopedTz), zic text to zic and the compiled
// zone to zdump (ZicWorkspace). Shared by qel-tz and the consumer tests.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace qeltools {

// The path of an installed tool (zic lives in /usr/sbin), or "".
inline std::string find_tool(const char *name) {
    for (const char *dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/sbin/", "/usr/local/bin/"}) {
        const std::string path = std::string(dir) + name;
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

// The names in a TZ string: the letters before each offset.
inline void tz_names(const std::string &tz, std::string &std_name, std::string &dst_name) {
    const size_t sign = tz.find_first_of("+-");
    std_name = tz.substr(0, sign);
    const size_t dst_at = tz.find_first_not_of("+-0123456789:", sign);
    const size_t dst_end = tz.find_first_of("+-,", dst_at);
    dst_name = dst_at == std::string::npos ? "" : tz.substr(dst_at, dst_end - dst_at);
}

// Sets TZ for the C library while it lives, then puts back what was there.
class ScopedTz {
  public:
    explicit ScopedTz(const std::string &tz) {
        const char *old = std::getenv("TZ");
        had_ = old != nullptr;
        saved_ = had_ ? old : "";
        setenv("TZ", tz.c_str(), 1);
        tzset();
    }
    ~ScopedTz() {
        if (had_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTz(const ScopedTz &) = delete;
    ScopedTz &operator=(const ScopedTz &) = delete;

  private:
    std::string saved_;
    bool had_ = false;
};

// A change of local time as zdump reports it.
struct ZoneChange {
    int64_t at;  // UTC seconds of the first second of the new time
    long gmtoff;
    int isdst;
    std::string zone;
};

// A temporary directory in which zic texts are compiled and read back with
// zdump; removed with everything in it when the workspace goes.
class ZicWorkspace {
  public:
    ZicWorkspace() : zic_(find_tool("zic")), zdump_(find_tool("zdump")) {
        char dir[] = "/tmp/qeltime-zic-XXXXXX";
        if (mkdtemp(dir) != nullptr) dir_ = dir;
    }
    ~ZicWorkspace() {
        if (dir_.empty()) return;
        const std::string rm = "rm -rf '" + dir_ + "'";
        if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir_.c_str());
    }
    ZicWorkspace(const ZicWorkspace &) = delete;
    ZicWorkspace &operator=(const ZicWorkspace &) = delete;

    // zic and zdump are installed and the directory exists.
    bool usable() const { return !zic_.empty() && !zdump_.empty() && !dir_.empty(); }

    // Compiles the text; the absolute path of the compiled zone "local", or
    // "" if zic refused the text, with what zic said in *said.
    std::string compile(const std::string &text, std::string *said = nullptr) const {
        const std::string source = dir_ + "/zone.zi";
        FILE *f = std::fopen(source.c_str(), "w");
        if (f == nullptr) return "";
        std::fputs(text.c_str(), f);
        std::fclose(f);
        const std::string out = dir_ + "/out";
        const std::string cmd = "'" + zic_ + "' -d '" + out + "' '" + source + "' 2>&1";
        std::string output;
        FILE *p = popen(cmd.c_str(), "r");
        if (p == nullptr) return "";
        char line[512];
        while (std::fgets(line, sizeof line, p) != nullptr) output += line;
        const int status = pclose(p);
        while (!output.empty() && output.back() == '\n') output.pop_back();
        if (said != nullptr) *said = output;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out + "/local" : "";
    }

    // The changes of the compiled zone in the years from..to-1. zdump -v
    // prints each change as two lines, the last second before it and the
    // first one after; the second line of each pair is kept.
    std::vector<ZoneChange> changes(const std::string &path, int from, int to) const {
        const std::string cmd =
            "'" + zdump_ + "' -v -c " + std::to_string(from) + "," + std::to_string(to) + " '" + path + "'";
        std::vector<ZoneChange> out;
        FILE *p = popen(cmd.c_str(), "r");
        if (p == nullptr) return out;
        char line[512];
        bool second = false;
        while (std::fgets(line, sizeof line, p) != nullptr) {
            const char *ut = std::strstr(line, "  ");
            const char *eq = std::strstr(line, " UT = ");
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
        pclose(p);
        return out;
    }

  private:
    std::string zic_, zdump_, dir_;
};

}  // namespace qeltools
