// SPDX-License-Identifier: MIT
// The TZ strings one run hands to the C libraries, read by the libraries'
// readers (system/libraries.hpp): each library's strings in one reader
// process, the libraries' readers side by side, each string once.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "system/libraries.hpp"

namespace qeltz {

class TzReadings {
  public:
    explicit TzReadings(Window window) : window_(window) {}

    // The string, to be read by the library.
    void want(const CLibrary &library, const std::string &tz);

    // Reads every string wanted. False, with one line saying why, where a
    // reader fails. `progress`, where given, is told what is being read,
    // from time to time.
    bool read(std::string &error, const std::function<void(const std::string &)> &progress = {});

    // How the library read the string; null where it was not wanted or not read.
    const TzReading *find(const CLibrary &library, const std::string &tz) const;

  private:
    struct Call {
        CLibrary library;
        std::map<std::string, size_t> strings;  // each string once, with its place in the call
        LibraryReadings result;
    };
    Window window_;
    std::vector<Call> calls_;
};

}  // namespace qeltz
