// SPDX-License-Identifier: MIT
#include "system/consumers.hpp"

#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace qeltz {

LibraryReadings SystemConsumers::read_tz(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                                         const TakeReading &take) const {
    return read_tz_strings(library, tz, window, take);
}

bool SystemConsumers::compile_zic(const std::vector<std::string> &texts, std::vector<ZicCompiled> &out) const {
    ZicWorkspace zic;
    if (!zic.usable()) return false;
    zic.compile_all(texts);
    out.assign(texts.size(), ZicCompiled{});
    for (size_t i = 0; i < texts.size(); ++i) {
        ZicCompiled &c = out[i];
        const std::string path = zic.compile(texts[i], &c.said);
        if (path.empty()) continue;
        std::string bytes;
        c.said = "it cannot be read";
        const bool read = read_file(path, bytes) && parse_tzif(bytes, c.zone, c.said);
        c.fate = read ? ZicCompiled::kCompiled : ZicCompiled::kUnreadable;
    }
    return true;
}

}  // namespace qeltz
