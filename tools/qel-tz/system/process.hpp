// SPDX-License-Identifier: MIT
// Running other programs (zic, zdump, the readers). Programs run from an
// argument vector with posix_spawn, never through a shell; the scratch
// folders they work in are made by system/scratch.hpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qeltz {

// The path of an installed program (zic lives in /usr/sbin), or "".
std::string find_program(const std::string &name);

struct ProgramResult {
    bool ran = false;      // the program could be started and was waited for
    int exit_status = -1;  // its exit status, or -1 if it did not exit normally
    std::string output;    // what it wrote to stdout and stderr, together
};

// What a program said, without its last line ends and with the scratch
// folder it worked in left out of the file names it gives, so that the words
// are the same in every run.
std::string program_said(const ProgramResult &r, const std::string &folder);

// Told each piece of a program's output as it comes.
using Heard = std::function<void(const char *data, size_t size)>;

// Runs argv[0] (a path) with the arguments that follow and collects its
// output; its standard input is the file `input` (a path). `heard`, where
// given, is handed the output piece by piece instead, and none is collected:
// a program that says much is read as a stream.
ProgramResult run_program(const std::vector<std::string> &argv, const std::string &input = "/dev/null",
                          const Heard &heard = {});

// Sets an environment variable while it lives, then puts back what was
// there; `after` (such as tzset) runs after each change.
class ScopedEnv {
  public:
    ScopedEnv(const char *name, const std::string &value, void (*after)() = nullptr);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

  private:
    const char *name_;
    void (*after_)();
    std::string saved_;
    bool had_ = false;
};

// Writes text to a file; false if it could not be written whole.
bool write_file(const std::string &path, const std::string &text);
// Reads a whole file; false if it could not be read.
bool read_file(const std::string &path, std::string &out);

}  // namespace qeltz
