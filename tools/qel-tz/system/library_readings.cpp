// SPDX-License-Identifier: MIT
#include "system/library_readings.hpp"

#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace qeltz {

void TzReadings::want(const CLibrary &library, const std::string &tz) {
    auto call = calls_.begin();
    while (call != calls_.end() && call->library.name != library.name) ++call;
    if (call == calls_.end()) call = calls_.insert(call, {library, {}, {}});
    call->strings.emplace(tz, call->strings.size());
}

bool TzReadings::read(std::string &error, const std::function<void(const std::string &)> &progress) {
    std::vector<std::vector<std::string>> strings(calls_.size());
    const auto answered = std::make_unique<std::atomic<size_t>[]>(calls_.size());
    for (size_t c = 0; c < calls_.size(); ++c) {
        strings[c].resize(calls_[c].strings.size());
        for (const auto &[tz, i] : calls_[c].strings) strings[c][i] = tz;
    }
    std::vector<std::thread> readers;
    std::atomic<size_t> running{calls_.size()};
    // What a thread throws (scratch space, memory) is thrown again here, once
    // every thread has ended.
    std::vector<std::exception_ptr> thrown(calls_.size());
    try {
        for (size_t c = 0; c < calls_.size(); ++c) {
            readers.emplace_back([&, c] {
                try {
                    calls_[c].result = read_tz_strings(calls_[c].library, strings[c], window_,
                                                       [&answered, c](size_t n) { answered[c] = n; });
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
                        std::to_string(answered[c].load()) + " of " + std::to_string(strings[c].size());
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
        if (!call.result.ok) {
            error = call.result.error;
            return false;
        }
    }
    return true;
}

const TzReading *TzReadings::find(const CLibrary &library, const std::string &tz) const {
    for (const Call &call : calls_) {
        if (call.library.name != library.name || !call.result.ok) continue;
        const auto at = call.strings.find(tz);
        return at != call.strings.end() ? &call.result.readings[at->second] : nullptr;
    }
    return nullptr;
}

}  // namespace qeltz
