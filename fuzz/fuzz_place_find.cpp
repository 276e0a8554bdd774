// SPDX-License-Identifier: MIT
// A place table's lookup (qel-tz table) on any text: it finds exactly the
// names of the list the table was written from (read here on its own, as
// the oracle), each as the place of that name, and nothing else.
#include <cstdint>
#include <fstream>
#include <set>
#include <string>

#include "fuzz_check.hpp"

extern "C" {
#include "qel_places.h"
}

namespace {

std::set<std::string> listed() {
    std::set<std::string> names;
    std::ifstream in(QEL_FUZZ_PLACE_NAMES);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') names.insert(line);
    }
    FUZZ_CHECK(!names.empty() && names.size() == qel_place_count());
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::set<std::string> names = listed();
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.substr(0, text.find('\0'));
    const qel_place *place = qel_place_find(text.c_str());
    FUZZ_CHECK((place != nullptr) == (names.count(text) == 1));
    if (place != nullptr) {
        qelfuzz::Guarded<QEL_PLACE_NAME_SIZE> name(0xA5);
        FUZZ_CHECK(qel_place_name(place, name.chars(), QEL_PLACE_NAME_SIZE) == text.size());
        FUZZ_CHECK(name.guards_intact() && text == name.chars());
    }
    return 0;
}
