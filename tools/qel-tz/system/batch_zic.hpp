// SPDX-License-Identifier: MIT
// Many zic texts of the device library compiled in one run of zic: each
// text's zone ("local") and rule set ("qlrule") renamed to names of its own,
// all in one source file. Where zic refuses the source, the texts are halved
// and each half compiled again, so that one refused text costs a few runs and
// gets zic's own words.
#pragma once

#include <string>
#include <vector>

namespace qeltz {

struct ZicOutcome {
    std::string path;  // the compiled zone, or "" where zic refused the text
    std::string said;  // what zic said about the text
};

// Compiles the texts with the zic at `zic` into a fresh folder under `dir`:
// no compiled path is written twice, since the C library keeps a zone it has
// read as long as TZ's value stays the same, even when the file changes.
std::vector<ZicOutcome> compile_batch(const std::string &zic, const std::string &dir,
                                      const std::vector<std::string> &texts);

// A zic text with its zone "local" named `zone` and its rule set "qlrule"
// named `rules`; other lines are left as they are.
std::string rename_zic_text(const std::string &text, const std::string &zone, const std::string &rules);

}  // namespace qeltz
