// SPDX-License-Identifier: MIT
// The device names of a fleet, each kept once, so that a name that more than
// one row gives is found. Names are compared byte for byte. A fleet of a
// million rows is a million names, so each is kept compactly: its bytes
// behind a 4-byte length in blocks of 1 MiB, found through an open-addressed
// table of 8-byte slots, each with where its name is and the top 28 bits of
// the name's hash. Those bits place a slot in the table, so that the table
// grows without reading a name again, and most slots are passed without
// reading one at all. A name of 14 bytes costs about 40 bytes at the most. Past
// 188 million names, or 64 GiB of them, no more are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qeltz {

class DeviceNames {
  public:
    // `hash_bits` (at most 28) of a name's hash kept: fewer make more names
    // share a place and be compared byte for byte, as the tests want.
    explicit DeviceNames(unsigned hash_bits = 28) : keep_(hash_bits == 0 ? 0 : ~uint64_t{0} << (64 - hash_bits)) {}

    // Keeps `name`; false where it was kept before.
    bool add(std::string_view name);

  private:
    std::string_view name_at(uint64_t slot) const;
    void grow();

    std::vector<std::string> blocks_;
    std::vector<uint64_t> slots_;  // 0 for none; else the hash's top bits, then the name's place plus 1
    unsigned bits_ = 0;            // slots_ has 2^bits_ slots
    size_t count_ = 0;
    uint64_t keep_;  // the bits of a hash that are kept
};

}  // namespace qeltz
