// SPDX-License-Identifier: MIT
#include "formats/html.hpp"

#include "formats/escaping.hpp"

namespace qeltz {

void append_html(std::string &out, const std::string &text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
    for (size_t at = 0; at < text.size();) {
        uint32_t cp = 0;
        const size_t length = utf8_sequence(text, at, cp);
        if (length == 0 || (is_control(cp) && cp != '\t' && cp != '\n')) {
            out += kReplacement;
            at += length > 0 ? length : 1;
            continue;
        }
        switch (cp) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.append(text, at, length);
        }
        at += length;
    }
}

void append_markup(std::string &out, std::initializer_list<std::string_view> parts) {
    for (const std::string_view part : parts) out += part;
}

std::string html_text(const std::string &text) {
    std::string out;
    append_html(out, text);
    return out;
}

}  // namespace qeltz
