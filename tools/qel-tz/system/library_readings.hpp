// SPDX-License-Identifier: MIT
// The TZ strings one run hands to the C libraries, read by the libraries'
// readers (system/libraries.hpp, through system/consumers.hpp): each
// library's strings in reader processes of their own, the libraries' readers
// side by side, each string once.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "system/consumers.hpp"
#include "system/libraries.hpp"

namespace qeltz {

class TzReadings {
  public:
    TzReadings(Window window, const Consumers &consumers) : window_(window), consumers_(consumers) {}

    // The string, to be read by the library; where its reading will be:
    // the library's call, the string's place in it.
    std::pair<size_t, size_t> want(const CLibrary &library, const std::string &tz);

    // Handed each reading as it comes, with the place want() gave it: in
    // the reading library's own thread, so that the readings of different
    // libraries come at once, those of one library one after another.
    using Take = std::function<void(size_t call, size_t string, TzReading &&reading)>;

    // Reads every string wanted: each reading is kept, or handed to `take`
    // where it is given. False, with one line saying why, where a reader
    // fails. `progress`, where given, is told what is being read, from time
    // to time.
    bool read(std::string &error, const std::function<void(const std::string &)> &progress = {}, const Take &take = {});

    // How the library read the string, where it was kept; null where it was
    // not wanted or not read.
    const TzReading *find(const CLibrary &library, const std::string &tz) const;

  private:
    struct Call {
        CLibrary library;
        std::unordered_map<std::string, size_t> strings;  // each string once, with its place in the call
        std::vector<TzReading> readings;                  // by that place, where kept
        bool ok = false;
        std::string error;
    };
    bool read_call(size_t c, std::atomic<size_t> &answered, const Take &take);
    Window window_;
    const Consumers &consumers_;
    std::vector<Call> calls_;
};

}  // namespace qeltz
