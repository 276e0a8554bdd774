// SPDX-License-Identifier: MIT
#include "formats/timeline_svg.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "formats/html.hpp"
#include "formats/time_text.hpp"
#include "judge/window.hpp"

namespace qeltz {

namespace {

constexpr double kWidth = 720, kLeft = 80, kRight = 12;
constexpr double kLevel = 22;       // between two offsets' lines
constexpr double kLaneHeight = 26;  // a lane: its label, then its strip
constexpr double kLabelGap = 64;    // the least room between two change labels
constexpr const char *kColours[] = {"#1f4e79", "#d95f02", "#7570b3", "#1b9e77", "#e7298a"};

std::string number(double v) {
    char text[32];
    (void)std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

// One line's local offsets as (from, offset) clipped to the window.
std::vector<TimelineStep> clipped(const std::vector<TimelineStep> &steps, int64_t from, int64_t to) {
    std::vector<TimelineStep> out;
    for (const TimelineStep &s : steps) {
        if (s.from >= to) break;
        if (s.from <= from) {
            out.assign(1, {from, s.offset});
        } else if (out.empty() || out.back().offset != s.offset) {
            out.push_back(s);
        }
    }
    return out;
}

}  // namespace

std::string timeline_svg(const TimelinePicture &p) {
    const double span = static_cast<double>(std::max<int64_t>(1, p.to - p.from));
    const auto x = [&](int64_t t) {
        return kLeft + static_cast<double>(std::clamp(t, p.from, p.to) - p.from) * (kWidth - kLeft - kRight) / span;
    };
    std::vector<std::vector<TimelineStep>> lines;
    std::set<int32_t, std::greater<>> offsets;
    std::map<int64_t, std::string> changes;  // instant: what changes then, in words
    for (const TimelineLine &line : p.lines) {
        lines.push_back(clipped(line.steps, p.from, p.to));
        for (size_t i = 0; i < lines.back().size(); ++i) {
            const TimelineStep &s = lines.back()[i];
            offsets.insert(s.offset);
            if (i == 0) continue;
            std::string &text = changes[s.from];
            text += (text.empty() ? minute_text(s.from) + " UTC: " : "; ") + line.label + " " +
                    utc_offset_text(lines.back()[i - 1].offset) + " to " + utc_offset_text(s.offset);
        }
    }
    std::map<int32_t, double> level;
    const double top = 24;
    for (const int32_t o : offsets) level[o] = top + 10 + kLevel * static_cast<double>(level.size());
    const double chart_bottom = top + 20 + kLevel * static_cast<double>(std::max<size_t>(1, offsets.size()) - 1);
    const double lanes_top = chart_bottom + 8;
    const double axis = lanes_top + kLaneHeight * static_cast<double>(p.lanes.size()) + 4;
    const double legend = axis + 24;
    const double height = legend + 16 * static_cast<double>(p.lines.size() + (p.lanes.empty() ? 0 : 1)) + 4;

    std::string s =
        "<svg class=\"timeline\" viewBox=\"0 0 " + number(kWidth) + " " + number(height) + "\" role=\"img\"><title>";
    append_html(s, p.title);
    s += "</title><defs><pattern id=\"" + p.id +
         "\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\">"
         "<rect width=\"6\" height=\"6\" fill=\"#fde0dc\"/><rect width=\"3\" height=\"6\" fill=\"#c0392b\"/>"
         "</pattern></defs>";
    const std::string hatch = "url(#" + p.id + ")";
    // The stretches where a reading is wrong, across the chart and in its lane.
    for (size_t l = 0; l < p.lanes.size(); ++l) {
        const double y = lanes_top + kLaneHeight * static_cast<double>(l);
        s += "<text x=\"" + number(kLeft) + "\" y=\"" + number(y + 9) + "\" class=\"lane\">";
        append_html(s, p.lanes[l].label);
        s += "</text><rect x=\"" + number(kLeft) + "\" y=\"" + number(y + 12) + "\" width=\"" +
             number(kWidth - kLeft - kRight) + "\" height=\"10\" fill=\"#eef3ee\"/>";
        for (const TimelineStretch &w : p.lanes[l].wrong) {
            const std::string left = number(x(w.from)), width = number(std::max(1.0, x(w.until) - x(w.from)));
            append_markup(
                s, {"<rect x=\"", left, "\" y=\"", number(top), "\" width=\"", width, "\" height=\"",
                    number(chart_bottom - top), "\" fill=\"", hatch, "\" opacity=\"0.35\"/><rect x=\"", left, "\" y=\"",
                    number(y + 12), "\" width=\"", width, "\" height=\"10\" fill=\"", hatch, "\"><title>"});
            append_html(s, w.text);
            s += "</title></rect>";
        }
    }
    // The offsets' levels.
    for (const auto &[offset, y] : level) {
        s += "<line x1=\"" + number(kLeft) + "\" x2=\"" + number(kWidth - kRight) + "\" y1=\"" + number(y) +
             "\" y2=\"" + number(y) + "\" class=\"grid\"/><text x=\"" + number(kLeft - 4) + "\" y=\"" + number(y + 3) +
             "\" class=\"level\">" + utc_offset_text(offset) + "</text>";
    }
    // The change instants: a mark each, with its words; a date where it fits.
    double labelled = -kLabelGap;
    for (const auto &[at, text] : changes) {
        const double cx = x(at);
        s += "<line x1=\"" + number(cx) + "\" x2=\"" + number(cx) + "\" y1=\"" + number(top - 4) + "\" y2=\"" +
             number(chart_bottom) + "\" class=\"change\"><title>";
        append_html(s, text);
        s += "</title></line>";
        if (cx - labelled >= kLabelGap) {
            // Kept clear of the edges, where half the date would be cut off.
            const double tx = std::clamp(cx, kLeft + 24, kWidth - kRight - 24);
            s += "<text x=\"" + number(tx) + "\" y=\"" + number(top - 8) + "\" class=\"when\">" +
                 minute_text(at).substr(0, 10) + "</text>";
            labelled = cx;
        }
    }
    // The lines, the first solid and thick, the others dashed on top of it.
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        const char *colour = kColours[i % (sizeof kColours / sizeof kColours[0])];
        s += "<path d=\"M" + number(x(lines[i][0].from)) + " " + number(level[lines[i][0].offset]);
        for (size_t k = 1; k < lines[i].size(); ++k)
            s += "H" + number(x(lines[i][k].from)) + "V" + number(level[lines[i][k].offset]);
        s += "H" + number(x(p.to)) + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" +
             (i == 0 ? "3.5\"" : "2\" stroke-dasharray=\"7 4\"") + "><title>";
        append_html(s, p.lines[i].label);
        s += "</title></path>";
    }
    // The years along the bottom.
    double year_labelled = -100;
    for (int year = year_of(p.from) + 1; year_start(year) < p.to; ++year) {
        const double yx = x(year_start(year));
        s += "<line x1=\"" + number(yx) + "\" x2=\"" + number(yx) + "\" y1=\"" + number(axis - 4) + "\" y2=\"" +
             number(axis + 2) + "\" class=\"grid\"/>";
        if (yx - year_labelled >= 30) {
            s += "<text x=\"" + number(yx) + "\" y=\"" + number(axis + 12) + "\" class=\"when\">" +
                 std::to_string(year) + "</text>";
            year_labelled = yx;
        }
    }
    // The legend: what each line and the hatch stand for.
    double ly = legend - 16;
    for (size_t i = 0; i < p.lines.size(); ++i) {
        ly += 16;
        append_markup(s, {"<line x1=\"", number(kLeft), "\" x2=\"", number(kLeft + 30), "\" y1=\"", number(ly),
                          "\" y2=\"", number(ly), "\" stroke=\"", kColours[i % (sizeof kColours / sizeof kColours[0])],
                          "\" stroke-width=\"", i == 0 ? "3.5\"" : "2\" stroke-dasharray=\"7 4\"", "/><text x=\"",
                          number(kLeft + 36), "\" y=\"", number(ly + 3), "\" class=\"lane\">"});
        append_html(s, p.lines[i].label);
        s += "</text>";
    }
    if (!p.lanes.empty()) {
        ly += 16;
        s += "<rect x=\"" + number(kLeft) + "\" y=\"" + number(ly - 5) + "\" width=\"30\" height=\"10\" fill=\"" +
             hatch + "\"/><text x=\"" + number(kLeft + 36) + "\" y=\"" + number(ly + 3) +
             "\" class=\"lane\">wrong local time</text>";
    }
    return s + "</svg>";
}

}  // namespace qeltz
