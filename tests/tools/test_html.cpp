// SPDX-License-Identifier: MIT
// The page's text: what a name from a fleet file becomes in HTML, against a
// hand-written table (every row worked out by hand from the HTML and UTF-8
// rules, not from the escaper), and the timeline's marks in words.
#include <gtest/gtest.h>

#include <string>

#include "formats/html.hpp"
#include "formats/timeline_svg.hpp"
#include "tools/occurrences.hpp"

namespace {

#define R "\xEF\xBF\xBD"  // U+FFFD

TEST(Html, TextIsNeverMarkupAndAlwaysUtf8) {
    const struct {
        const char *in, *out;
    } rows[] = {
        {"kiosk-1", "kiosk-1"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"a \"b\" 'c' & d", "a &quot;b&quot; &#39;c&#39; &amp; d"},
        {"&amp;&lt;", "&amp;amp;&amp;lt;"},                                      // a reference in a name stays text
        {"caf\xC3\xA9 \xF0\x9F\x98\x80 " R, "caf\xC3\xA9 \xF0\x9F\x98\x80 " R},  // 2 and 4 bytes, U+FFFD itself
        {"tab\there\nline", "tab\there\nline"},                                  // whitespace HTML allows
        {"gate\r4\x01\x7F", "gate" R "4" R R},                                   // CR, C0 and DEL
        {"c1 \xC2\x80\xC2\x9F", "c1 " R R},                                      // C1 controls
        {"\xFF\xFE"
         "bad",
         R R "bad"},                    // bytes no sequence starts with
        {"\x80x", R "x"},               // a lone continuation byte
        {"\xC0\xAF", R R},              // an overlong '/'
        {"\xED\xA0\x80", R R R},        // a surrogate
        {"\xE2\x82", R R},              // a sequence cut short at the end
        {"\xE2\x82<", R R "&lt;"},      // ... and before markup
        {"\xF4\x90\x80\x80", R R R R},  // past U+10FFFF
    };
    for (const auto &row : rows) EXPECT_EQ(qeltz::html_text(row.in), row.out) << row.in;
    EXPECT_EQ(qeltz::html_text(std::string("a\0b", 3)), "a" R "b");
}

// A place that changes twice and a reading wrong once: a mark for each
// change instant of either line (not one at the window's end, which is
// outside it), a hatch in the chart and the lane for the wrong stretch, every
// label and title escaped.
TEST(Html, TimelineMarksEachChangeAndWrongStretchInWords) {
    qeltz::TimelinePicture p;
    p.from = 0;
    p.to = 400000;
    p.id = "h1";
    p.title = "place & <device>";
    p.lines = {{"<place>", {{-5, 3600}, {100000, 7200}, {300000, 3600}, {400000, 7200}}},
               {"reading", {{0, 3600}, {200000, 7200}, {300000, 3600}}}};
    p.lanes = {{"glibc <2.36>", {{100000, 200000, "wrong: UTC+01:00 where the place is UTC+02:00"}}}};
    const std::string svg = qeltz::timeline_svg(p);
    const auto count = [&](const std::string &what) { return occurrences(svg, what); };
    EXPECT_EQ(count("class=\"change\""), 3u);  // 100000, 200000, 300000
    EXPECT_EQ(count("<title>1970-01-02 03:46 UTC: &lt;place&gt; UTC+01:00 to UTC+02:00</title>"), 1u);
    EXPECT_EQ(count("<title>1970-01-04 11:20 UTC: &lt;place&gt; UTC+02:00 to UTC+01:00; reading UTC+02:00 to "
                    "UTC+01:00</title>"),
              1u);
    EXPECT_EQ(count("fill=\"url(#h1)\""), 3u);  // the chart's band, the lane's stretch, the legend
    EXPECT_EQ(count("<title>wrong: UTC+01:00 where the place is UTC+02:00</title>"), 1u);
    EXPECT_EQ(count("<title>place &amp; &lt;device&gt;</title>"), 1u);
    EXPECT_EQ(count("glibc &lt;2.36&gt;"), 1u);
    EXPECT_EQ(count("<"), count(">"));
}

}  // namespace
