// SPDX-License-Identifier: MIT
// How often a piece of text stands in a page, a source or an answer.
#pragma once

#include <cstddef>
#include <string>

inline size_t occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}
