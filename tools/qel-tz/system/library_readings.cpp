// SPDX-License-Identifier: MIT
#include "system/library_readings.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace qeltz {

namespace {

// The most strings one reader process reads. glibc and uClibc-ng keep every
// abbreviation they have read in a list they search at each new string, so
// that a reader's time grows with the square of its distinct strings: one
// reader of 20,000 distinct ones takes twice the time of ten of 2,000.
constexpr size_t kStringsPerReader = 2000;

}  // namespace

std::pair<size_t, size_t> TzReadings::want(const CLibrary &library, const std::string &tz) {
    size_t c = 0;
    while (c < calls_.size() && calls_[c].library.name != library.name) ++c;
    if (c == calls_.size()) calls_.push_back(Call{library, {}, {}, false, {}});
    return {c, calls_[c].strings.emplace(tz, calls_[c].strings.size()).first->second};
}

bool TzReadings::read_call(size_t c, std::atomic<size_t> &answered, const Take &take) {
    Call &call = calls_[c];
    std::vector<std::string> strings(call.strings.size());
    for (const auto &[tz, i] : call.strings) strings[i] = tz;
    if (!take) call.readings.resize(strings.size());
    for (size_t first = 0; first < strings.size(); first += kStringsPerReader) {
        const size_t last = std::min(strings.size(), first + kStringsPerReader);
        const std::vector<std::string> some(strings.begin() + static_cast<std::ptrdiff_t>(first),
                                            strings.begin() + static_cast<std::ptrdiff_t>(last));
        const LibraryReadings read = consumers_.read_tz(call.library, some, window_, [&](size_t i, TzReading &&r) {
            if (take) {
                take(c, first + i, std::move(r));
            } else {
                call.readings[first + i] = std::move(r);
            }
            ++answered;
        });
        if (!read.ok) {
            call.error = read.error;
            return false;
        }
    }
    return true;
}

bool TzReadings::read(std::string &error, const std::function<void(const std::string &)> &progress, const Take &take) {
    const auto answered = std::make_unique<std::atomic<size_t>[]>(calls_.size());
    std::vector<std::thread> readers;
    std::atomic<size_t> running{calls_.size()};
    // What a thread throws (scratch space, memory) is thrown again here, once
    // every thread has ended.
    std::vector<std::exception_ptr> thrown(calls_.size());
    try {
        for (size_t c = 0; c < calls_.size(); ++c) {
            readers.emplace_back([&, c] {
                try {
                    calls_[c].ok = read_call(c, answered[c], take);
                } catch (...) {
                    thrown[c] = std::current_exception();
                }
                --running;
            });
        }
    } catch (...) {
        // A thread that cannot be started: those that were end first.
        for (std::thread &reader : readers) reader.join();
        throw;
    }
    // Told five times a second how far each reader is.
    for (auto told = std::chrono::steady_clock::time_point{}; progress && running > 0;) {
        if (std::chrono::steady_clock::now() - told >= std::chrono::milliseconds(200)) {
            told = std::chrono::steady_clock::now();
            std::string said;
            for (size_t c = 0; c < calls_.size(); ++c) {
                said += std::string(said.empty() ? "" : ", ") + calls_[c].library.label() + " " +
                        std::to_string(answered[c].load()) + " of " + std::to_string(calls_[c].strings.size());
            }
            progress("TZ strings read over " + window_.text() + ": " + said);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (std::thread &reader : readers) reader.join();
    for (const std::exception_ptr &e : thrown) {
        if (e) std::rethrow_exception(e);
    }
    for (const Call &call : calls_) {
        if (!call.ok) {
            error = call.error;
            return false;
        }
    }
    return true;
}

const TzReading *TzReadings::find(const CLibrary &library, const std::string &tz) const {
    for (const Call &call : calls_) {
        if (call.library.name != library.name || !call.ok) continue;
        const auto at = call.strings.find(tz);
        return at != call.strings.end() && at->second < call.readings.size() ? &call.readings[at->second] : nullptr;
    }
    return nullptr;
}

}  // namespace qeltz
