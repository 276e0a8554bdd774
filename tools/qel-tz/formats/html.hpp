// SPDX-License-Identifier: MIT
// Text from outside the tool (device names, places, reasons) written into an
// HTML page as text, never as markup: the five characters HTML gives meaning
// to as character references, and every byte outside well-formed UTF-8 and
// every control character but tab and line feed as U+FFFD, so the page stays
// valid UTF-8 and valid HTML whatever the fleet file holds.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qeltz {

// Appends `text` to `out` escaped for HTML text and quoted attribute values.
void append_html(std::string &out, const std::string &text);
std::string html_text(const std::string &text);

// Appends markup made of parts, in order, without the temporaries of a + b.
void append_markup(std::string &out, std::initializer_list<std::string_view> parts);

}  // namespace qeltz
