// SPDX-License-Identifier: MIT
// qel-tz's command line on any arguments (the input split at NUL bytes): it
// is read or refused with one line naming what is wrong; a record it accepts
// is one the device library writes, and an accepted window is not empty.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.hpp"
#include "fuzz_check.hpp"
#include "qel_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    qeltz::Request request;
    std::string error;
    if (!qeltz::parse_request(args, 1796601600, request, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty() && request.window.from < request.window.to);
    if (request.has_record() && !request.help) {
        char text[1024];
        FUZZ_CHECK(qel_tzset_to_tzstr(&request.record, text, sizeof text) == QEL_OK);
        FUZZ_CHECK(qel_tzset_to_zicstr(&request.record, text, sizeof text) == QEL_OK);
    }
    return 0;
}
