// SPDX-License-Identifier: MIT
#include "formats/escaping.hpp"

#include <cstdio>

namespace qeltz {

size_t utf8_sequence(const std::string &text, size_t at, uint32_t &code_point) {
    const auto byte = [&](size_t i) -> uint8_t {
        return at + i < text.size() ? static_cast<uint8_t>(text[at + i]) : 0;
    };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        code_point = lead;
        return at < text.size() ? 1 : 0;
    }
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    uint32_t cp = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const uint8_t b = byte(i);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    code_point = cp;
    return length;
}

bool is_control(uint32_t code_point) { return code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0); }

std::string shown(const std::string &text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        uint32_t cp = 0;
        size_t length = utf8_sequence(text, at, cp);
        if (length > 0 && !is_control(cp) && cp != '\\') {
            out.append(text, at, length);
        } else {
            length = length > 0 ? length : 1;
            for (size_t i = 0; i < length; ++i) {
                char hex[8];
                (void)std::snprintf(hex, sizeof hex, "\\x%02X",
                                    static_cast<unsigned>(static_cast<uint8_t>(text[at + i])));
                out += hex;
            }
        }
        at += length;
    }
    return out;
}

}  // namespace qeltz
