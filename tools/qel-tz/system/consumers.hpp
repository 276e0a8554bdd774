// SPDX-License-Identifier: MIT
// What the engine hands its texts to: each C library's reader for the TZ
// strings (system/libraries.hpp) and zic for the zic texts
// (system/zic_runner.hpp). The system's consumers run those programs; a test
// passes fakes that answer from a table, so that the engine's decisions are
// tested without them.
#pragma once

#include <string>
#include <vector>

#include "formats/tzif.hpp"
#include "system/libraries.hpp"

namespace qeltz {

// What zic made of one zic text.
struct ZicCompiled {
    enum Fate { kCompiled, kRefused, kUnreadable };
    Fate fate = kRefused;
    std::string said;  // zic's words where it refused the text, or why its output cannot be read
    TzifZone zone;     // compiled: the zone zic wrote
};

class Consumers {
  public:
    virtual ~Consumers() = default;
    // The strings as the library reads them over the window, as
    // read_tz_strings does. Called from a thread of each library at once.
    virtual LibraryReadings read_tz(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                                    const TakeReading &take) const = 0;
    // Each text compiled, in order, into `out`; false where zic (or zdump)
    // is not installed.
    virtual bool compile_zic(const std::vector<std::string> &texts, std::vector<ZicCompiled> &out) const = 0;
};

// This system's: the readers' programs, and zic in a scratch folder of its own
// for each compile_zic.
class SystemConsumers final : public Consumers {
  public:
    LibraryReadings read_tz(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                            const TakeReading &take) const override;
    bool compile_zic(const std::vector<std::string> &texts, std::vector<ZicCompiled> &out) const override;
};

}  // namespace qeltz
