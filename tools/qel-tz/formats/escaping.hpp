// SPDX-License-Identifier: MIT
// Text from outside the tool (the bytes of a zone file, a place's file name,
// an argument) made safe to print: for a terminal, no control character
// raw; for JSON, valid UTF-8 (json.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qeltz {

// The length of the well-formed UTF-8 sequence that starts at text[at], with
// its code point; 0 where the byte there starts none (a byte of a damaged
// file, a cut or overlong sequence, a surrogate).
size_t utf8_sequence(const std::string &text, size_t at, uint32_t &code_point);

// C0 controls, DEL and C1 controls: what a terminal may act on.
bool is_control(uint32_t code_point);

// For a terminal: every control character, every byte outside well-formed
// UTF-8 and the backslash written as \xHH of its bytes, the rest as it is.
std::string shown(const std::string &text);

}  // namespace qeltz
