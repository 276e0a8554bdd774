// SPDX-License-Identifier: MIT
#include "judge/device_names.hpp"

#include <algorithm>
#include <cstring>
#include <functional>

namespace qeltz {

namespace {

constexpr unsigned kOffsetBits = 20;  // a name's place: its block, then its offset in the block
constexpr size_t kBlock = size_t{1} << kOffsetBits;
constexpr unsigned kPlaceBits = 36;  // 2^16 blocks
constexpr size_t kMostBlocks = size_t{1} << (kPlaceBits - kOffsetBits);
constexpr unsigned kMostBits = 64 - kPlaceBits;  // a table places its slots by no more bits of the hash
constexpr uint64_t kPlaceMask = (uint64_t{1} << kPlaceBits) - 1;

}  // namespace

std::string_view DeviceNames::name_at(uint64_t slot) const {
    const uint64_t place = (slot & kPlaceMask) - 1;
    const char *at = blocks_[static_cast<size_t>(place >> kOffsetBits)].data() + (place & (kBlock - 1));
    uint32_t size = 0;
    std::memcpy(&size, at, sizeof size);
    return {at + sizeof size, size};
}

// Twice the slots, each placed again by its hash bits (the table is no more
// than 70% full).
void DeviceNames::grow() {
    std::vector<uint64_t> old(size_t{1} << std::max(bits_ + 1, 10u), 0);
    old.swap(slots_);
    bits_ = std::max(bits_ + 1, 10u);
    for (const uint64_t slot : old) {
        if (slot == 0) continue;
        auto i = static_cast<size_t>(slot >> (64 - bits_));
        while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
        slots_[i] = slot;
    }
}

bool DeviceNames::add(std::string_view name) {
    if ((count_ + 1) * 10 > slots_.size() * 7) {
        if (bits_ == kMostBits) return true;
        grow();
    }
    const uint64_t top =
        static_cast<uint64_t>(std::hash<std::string_view>{}(name)) * 0x9E3779B97F4A7C15u & keep_ & ~kPlaceMask;
    auto i = static_cast<size_t>(top >> (64 - bits_));
    for (; slots_[i] != 0; i = (i + 1) & (slots_.size() - 1)) {
        if ((slots_[i] & ~kPlaceMask) == top && name_at(slots_[i]) == name) return false;
    }
    // A name starts a new block where it does not fit in the last; a name
    // longer than a block has one of its own.
    const uint32_t size = static_cast<uint32_t>(name.size());
    if (blocks_.empty() || (!blocks_.back().empty() && blocks_.back().size() + sizeof size + size > kBlock)) {
        if (blocks_.size() == kMostBlocks) return true;
        blocks_.emplace_back();
        blocks_.back().reserve(std::max(kBlock, sizeof size + size));
    }
    std::string &block = blocks_.back();
    slots_[i] = top | (((uint64_t{blocks_.size() - 1} << kOffsetBits) | block.size()) + 1);
    block.append(reinterpret_cast<const char *>(&size), sizeof size).append(name);
    ++count_;
    return true;
}

}  // namespace qeltz
