// SPDX-License-Identifier: MIT
// The real consumers of what the library writes: a TZ string handed to the C
// library (ScopedTz), zic text compiled by zic and read back by zdump
// (ZicWorkspace). Shared by qel-tz and the consumer tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "system/batch_zic.hpp"
#include "system/process.hpp"
#include "system/scratch.hpp"

namespace qeltz {

// Sets TZ for the C library while it lives, then puts back what was there.
class ScopedTz : public ScopedEnv {
  public:
    explicit ScopedTz(const std::string &tz);
};

// A change of local time as zdump reports it.
struct ZoneChange {
    int64_t at;  // UTC seconds of the first second of the new time
    long gmtoff;
    int isdst;
    std::string zone;
};

// A scratch directory in which zic texts are compiled and read back with zdump.
class ZicWorkspace {
  public:
    ZicWorkspace();

    // zic and zdump are installed.
    bool usable() const { return !zic_.empty() && !zdump_.empty(); }

    // Compiles the text; the absolute path of the compiled zone `zone` (the
    // library's texts name it "local"), or "" if zic refused the text, with
    // what zic said in *said. Scratch space zic cannot write in is a
    // ScratchError, never a refused text.
    std::string compile(const std::string &text, std::string *said = nullptr, const std::string &zone = "local") const;

    // Compiles the library's zic texts in one zic run (batch_zic.hpp); from
    // then on compile() answers each of them from that run, without zic.
    void compile_all(const std::vector<std::string> &texts);

    // The changes of a compiled zone in the years from..to-1, as zdump -v
    // prints them: each change as two lines, the last second before it and
    // the first one after; the second line of each pair is kept.
    std::vector<ZoneChange> changes(const std::string &path, int from, int to) const;

  private:
    std::string zic_, zdump_;
    ScratchDir dir_;
    std::map<std::string, ZicOutcome> compiled_;  // by text
};

}  // namespace qeltz
