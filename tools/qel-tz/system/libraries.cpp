// SPDX-License-Identifier: MIT
#include "system/libraries.hpp"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <sstream>

#ifdef __GLIBC__
#include <gnu/libc-version.h>
#endif

#include "formats/posix_tz.hpp"
#include "system/process.hpp"
#include "system/scratch.hpp"

// Set by tools/CMakeLists.txt: the readers' directory relative to the tool's
// (installed: from bin/ to libexec/qel-tz/), and the version of the musl the
// musl reader was built with (only where it was).
#ifndef QELTZ_READER_RELDIR
#define QELTZ_READER_RELDIR "../libexec/qel-tz"
#endif

namespace qeltz {

namespace {

std::string directory_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// "\x1B" and the like back to their bytes.
std::string unescape(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "at SECONDS OFFSET ISDST ABBR".
bool parse_span(const std::string &line, Span &span) {
    std::istringstream in(line);
    std::string at;
    long long from = 0, offset = 0;
    int isdst = 0;
    if (!(in >> at >> from >> offset >> isdst) || at != "at" || (isdst != 0 && isdst != 1)) return false;
    std::string rest;
    std::getline(in, rest);
    if (rest.empty() || rest[0] != ' ') {
        if (!rest.empty()) return false;
    } else {
        rest.erase(0, 1);
    }
    constexpr long long kLow = std::numeric_limits<int32_t>::min(), kHigh = std::numeric_limits<int32_t>::max();
    span.from = from;
    span.offset = static_cast<int32_t>(offset < kLow ? kLow : offset > kHigh ? kHigh : offset);
    span.isdst = isdst == 1;
    span.abbr = unescape(rest);
    return true;
}

}  // namespace

std::string reader_directory() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    const std::string joined = directory_of(std::string(self, static_cast<size_t>(n))) + "/" + QELTZ_READER_RELDIR;
    char real[PATH_MAX];
    return realpath(joined.c_str(), real) != nullptr ? std::string(real) : joined;
}

std::vector<CLibrary> c_libraries(const std::string &directory) {
    std::vector<CLibrary> out;
#ifdef __GLIBC__
    // The glibc reader is linked dynamically: it runs on the glibc this
    // process runs on.
    out.push_back({"glibc", gnu_get_libc_version(), directory + "/tz-reader-glibc"});
#endif
#ifdef QELTZ_MUSL_VERSION
    out.push_back({"musl", QELTZ_MUSL_VERSION, directory + "/tz-reader-musl"});
#endif
#ifdef QELTZ_UCLIBC_VERSION
    out.push_back({"uclibc-ng", QELTZ_UCLIBC_VERSION, directory + "/tz-reader-uclibc-ng"});
#endif
#ifdef QELTZ_NEWLIB_VERSION
    out.push_back({"newlib", QELTZ_NEWLIB_VERSION, directory + "/tz-reader-newlib", true});
#endif
    return out;
}

std::string emulator() { return find_program("qemu-arm"); }

std::string runnable_libraries(const std::string &names, std::vector<CLibrary> &out) {
    out.clear();
    const std::vector<CLibrary> built = c_libraries();
    const bool emulates = !emulator().empty();
    for (size_t at = 0; at <= names.size();) {
        const size_t comma = std::min(names.find(',', at), names.size());
        const std::string name = names.substr(at, comma - at);
        at = comma + 1;
        if (name == "linux" || name == "all") continue;
        if (!known_library(name)) {
            return "takes linux, all, or glibc, musl, uclibc-ng and newlib, alone or separated by commas, not " +
                   (names.empty() ? "an empty text" : names);
        }
        const CLibrary *library = find_library(built, name);
        if (library == nullptr) return names + ": this qel-tz was built without the " + name + " reader";
        if (library->emulated && !emulates) {
            return names + ": the " + library->label() +
                   " reader runs under qemu-arm, which is not installed (Debian: qemu-user)";
        }
    }
    for (CLibrary &library : libraries_named(names)) {
        if (!library.emulated || emulates) out.push_back(std::move(library));
    }
    return "";
}

namespace {

// The C libraries a reader may be built for, in the order they are listed:
// --libc's name, the name the output gives, and whether Linux devices carry it.
struct LibraryName {
    const char *name, *label;
    bool linux_device;
};
constexpr LibraryName kLibraryNames[] = {
    {"glibc", "glibc", true}, {"musl", "musl", true}, {"uclibc-ng", "uClibc-ng", true}, {"newlib", "newlib", false}};

const LibraryName *library_name(const std::string &name) {
    for (const LibraryName &n : kLibraryNames) {
        if (name == n.name) return &n;
    }
    return nullptr;
}

}  // namespace

std::string CLibrary::label() const {
    const LibraryName *n = library_name(name);
    return std::string(n != nullptr ? n->label : name.c_str()) + " " + version;
}

bool known_library(const std::string &name) { return library_name(name) != nullptr; }

std::vector<std::string> library_names() {
    std::vector<std::string> out;
    for (const LibraryName &n : kLibraryNames) out.emplace_back(n.name);
    return out;
}

std::vector<CLibrary> libraries_named(const std::string &names) {
    std::vector<CLibrary> out;
    const std::string listed = "," + names + ",";
    const bool all = listed.find(",all,") != std::string::npos, linux = listed.find(",linux,") != std::string::npos;
    for (const CLibrary &library : c_libraries()) {
        const LibraryName *n = library_name(library.name);
        if (all || (linux && n != nullptr && n->linux_device) ||
            listed.find("," + library.name + ",") != std::string::npos) {
            out.push_back(library);
        }
    }
    return out;
}

const CLibrary *find_library(const std::vector<CLibrary> &libraries, const std::string &name) {
    for (const CLibrary &library : libraries) {
        if (library.name == name) return &library;
    }
    return nullptr;
}

Sampling sampling_of(const std::string &tz, Window window) {
    Sampling s;
    std::vector<int64_t> changes;
    if (!expected_changes(tz, window, changes)) return s;
    s.step = int64_t{30} * 86400;
    for (const int64_t t : changes) {
        if (t <= window.from || t >= window.to) continue;
        s.hints.push_back(t - 1);
        s.hints.push_back(t);
    }
    return s;
}

LibraryReadings read_tz_strings(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                                const Answered &answered) {
    LibraryReadings result;
    result.readings.resize(tz.size());
    // One string a line, then its step and hints: a string with a newline
    // cannot be sent.
    std::string input;
    std::vector<size_t> sent;
    for (size_t i = 0; i < tz.size(); ++i) {
        if (tz[i].find('\n') != std::string::npos) {
            result.readings[i].refused = "newline";
            continue;
        }
        const Sampling sampling = sampling_of(tz[i], window);
        input += tz[i] + "\n" + std::to_string(sampling.step);
        for (const int64_t t : sampling.hints) input += " " + std::to_string(t);
        input += "\n";
        sent.push_back(i);
    }
    if (access(library.reader.c_str(), X_OK) != 0) {
        result.error = "the " + library.name + " reader " + library.reader + " is missing";
        return result;
    }
    const std::string qemu = library.emulated ? emulator() : "";
    if (library.emulated && qemu.empty()) {
        result.error =
            "the " + library.name + " reader runs under qemu-arm, which is not installed (Debian: qemu-user)";
        return result;
    }
    // The strings go in through a file, so that the reader never waits for
    // its output to be read while this process waits for it to take input.
    const ScratchDir scratch;
    const std::string input_file = scratch.write("tz-strings", input);
    std::vector<std::string> argv = {library.reader, std::to_string(window.from), std::to_string(window.to), "3600",
                                     "--hints"};
    if (library.emulated) argv.insert(argv.begin(), qemu);
    // Each record ends with "end" on a line of its own.
    size_t ends = 0, seen = 0;
    std::function<void(const std::string &)> heard;
    if (answered) {
        heard = [&](const std::string &output) {
            for (size_t at; (at = output.find("\nend\n", seen)) != std::string::npos; seen = at + 4) ++ends;
            answered(ends);
        };
    }
    const ProgramResult run = run_program(argv, input_file, heard);
    const size_t eol = run.output.find('\n');
    const std::string header = run.output.substr(0, eol);
    if (!run.ran || run.exit_status != 0 || eol == std::string::npos || header.rfind("reader ", 0) != 0) {
        result.error = "the " + library.name + " reader " +
                       (!run.ran ? "could not be run" : "failed (status " + std::to_string(run.exit_status) + ")") +
                       (header.empty() ? "" : ": " + header);
        return result;
    }
    result.reader_says = header.substr(7);
    std::vector<TzReading> answered_strings;
    std::string why;
    if (!parse_reader_answer(run.output.substr(eol + 1), sent.size(), window.from, window.to, answered_strings, why)) {
        result.error = "the " + library.name + " reader's answer is broken: " + why;
        return result;
    }
    for (size_t i = 0; i < sent.size(); ++i) result.readings[sent[i]] = std::move(answered_strings[i]);
    result.ok = true;
    return result;
}

bool parse_reader_answer(const std::string &answer, size_t count, int64_t from, int64_t to,
                         std::vector<TzReading> &readings, std::string &why) {
    readings.assign(count, TzReading());
    std::istringstream lines(answer);
    std::string line;
    size_t record = 0;
    bool open = false;  // a record has begun and not ended
    while (std::getline(lines, line)) {
        if (record == count) {
            why = "more records than strings";
            return false;
        }
        TzReading &reading = readings[record];
        Span span;
        if (line == "end" && open) {
            ++record;
            open = false;
        } else if (line.rfind("refused ", 0) == 0 && !open && line.size() > 8) {
            reading.refused = line.substr(8);
            open = true;
        } else if (parse_span(line, span) && reading.refused.empty() &&
                   // The first span starts at the first second, each further
                   // one later than the one before and within the window.
                   (reading.spans.empty() ? span.from == from
                                          : span.from > reading.spans.back().from && span.from < to)) {
            reading.spans.push_back(span);
            open = true;
        } else {
            why = "record " + std::to_string(record + 1) + " has the line \"" + line + "\"";
            return false;
        }
    }
    if (record != count || open) {
        why = std::to_string(record) + " records for " + std::to_string(count) + " strings";
        return false;
    }
    return true;
}

std::vector<Reason> library_misreadings(const std::string &tz, const std::vector<CLibrary> &libraries) {
    std::vector<Reason> out;
    PosixTz parsed;
    std::string why;
    if (!parse_posix_tz(tz, parsed, why)) return out;
    std::vector<const std::string *> names = {&parsed.std_name};
    if (parsed.has_dst) names.push_back(&parsed.dst_name);
    std::vector<const PosixRule *> rules;
    if (parsed.has_rules) rules = {&parsed.start, &parsed.end};
    for (const CLibrary &library : libraries) {
        const std::string who = library.label();
        if (library.name == "uclibc-ng") {
            for (const PosixRule *r : rules) {
                if (r->time < 0 || r->time > 24 * 3600) {
                    out.push_back({ReasonKind::kDropsToUtc, who + " reads the whole string as UTC: the rule " +
                                                                rule_text(*r) + " has a time outside 0-24 h"});
                }
            }
            for (const std::string *name : names) {
                if (name->size() < 3 || name->size() > 6) {
                    out.push_back({ReasonKind::kDropsToUtc, who + " reads the whole string as UTC: the name " + *name +
                                                                " is not 3 to 6 characters"});
                }
            }
        } else if (library.name == "newlib") {
            const bool quoted = tz.find('<') != std::string::npos;
            if (quoted) {
                out.push_back({ReasonKind::kQuotedNameMisread,
                               who + " misreads the quoted names of " + tz + " and the offsets after them"});
            }
            for (const PosixRule *r : rules) {
                if (r->time < 0) {
                    out.push_back({ReasonKind::kNegativeRuleTime,
                                   who + " misreads the rule " + rule_text(*r) + ", whose time is below 0"});
                }
            }
        }
    }
    return out;
}

std::vector<LibraryChoice> library_choices(const std::string &tz) {
    std::vector<LibraryChoice> out;
    PosixTz parsed;
    std::string why;
    if (!parse_posix_tz(tz, parsed, why)) {
        out.push_back({ReasonKind::kNotPosix, "the TZ string is not a POSIX TZ string (" + why +
                                                  "): each C library reads what it can of it, or something else"});
        return out;
    }
    if (parsed.has_dst && !parsed.has_rules) {
        out.push_back({ReasonKind::kDaylightWithoutRules,
                       "the TZ string names daylight time (" + parsed.dst_name +
                           ") without the rules for when it starts and ends: each C library chooses its own "
                           "(glibc US rules, musl daylight time almost all year)"});
    }
    for (const std::string *name : {&parsed.std_name, &parsed.dst_name}) {
        if (name->size() > 6) {
            out.push_back({ReasonKind::kLongName, "the name " + *name + " is longer than six characters: musl keeps " +
                                                      name->substr(0, 6) +
                                                      ", uClibc-ng reads the whole string as UTC"});
        }
    }
    return out;
}

}  // namespace qeltz
