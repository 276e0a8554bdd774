// SPDX-License-Identifier: MIT
#include "system/libraries.hpp"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>

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
std::string unescape(std::string_view text) {
    if (text.find('\\') == std::string_view::npos) return std::string(text);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(std::string(text.substr(i + 2, 2)).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "at SECONDS OFFSET ISDST ABBR", as the readers write it (ABBR may be empty,
// with or without the space before it).
bool parse_span(std::string_view line, Span &span) {
    constexpr std::string_view kAt = "at ";
    if (line.substr(0, kAt.size()) != kAt) return false;
    const char *p = line.data() + kAt.size(), *const end = line.data() + line.size();
    const auto number = [&p, end](long long &n) {
        const auto [next, error] = std::from_chars(p, end, n);
        if (error != std::errc() || next == end || *next != ' ') return false;
        p = next + 1;
        return true;
    };
    long long from = 0, offset = 0;
    if (!number(from) || !number(offset) || p == end || (*p != '0' && *p != '1')) return false;
    const bool isdst = *p++ == '1';
    if (p != end && *p++ != ' ') return false;
    constexpr long long kLow = std::numeric_limits<int32_t>::min(), kHigh = std::numeric_limits<int32_t>::max();
    span.from = from;
    span.offset = static_cast<int32_t>(offset < kLow ? kLow : offset > kHigh ? kHigh : offset);
    span.isdst = isdst;
    span.abbr = unescape({p, static_cast<size_t>(end - p)});
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

namespace {

// The names separated by commas: "linux" and "all" as flags, the others in
// `named`; false for a name no build has.
bool split_libc(const std::string &names, bool &all, bool &linux, std::vector<std::string> &named) {
    all = linux = false;
    for (size_t at = 0; at <= names.size();) {
        const size_t comma = std::min(names.find(',', at), names.size());
        const std::string name = names.substr(at, comma - at);
        at = comma + 1;
        if (name == "linux" || name == "all") {
            (name == "all" ? all : linux) = true;
        } else if (known_library(name)) {
            named.push_back(name);
        } else {
            return false;
        }
    }
    return true;
}

bool meant(const LibraryName &n, bool all, bool linux, const std::vector<std::string> &named) {
    return all || (linux && n.linux_device) || std::find(named.begin(), named.end(), n.name) != named.end();
}

}  // namespace

std::vector<CLibrary> libraries_named(const std::string &names) {
    std::vector<CLibrary> out;
    bool all = false, linux = false;
    std::vector<std::string> named;
    (void)split_libc(names, all, linux, named);
    for (const CLibrary &library : c_libraries()) {
        const LibraryName *n = library_name(library.name);
        if (n != nullptr && meant(*n, all, linux, named)) out.push_back(library);
    }
    return out;
}

LibcChoice choose_libraries(const std::string &names) {
    LibcChoice c;
    bool all = false, linux = false;
    std::vector<std::string> named;
    if (!split_libc(names, all, linux, named)) {
        c.problem = "takes linux, all, or glibc, musl, uclibc-ng and newlib, alone or separated by commas, not " +
                    (names.empty() ? "an empty text" : names);
        return c;
    }
    const std::vector<CLibrary> built = c_libraries();
    const bool emulates = !emulator().empty();
    for (const std::string &name : named) {
        const CLibrary *library = find_library(built, name);
        if (library == nullptr) {
            c.problem.append(names).append(": this qel-tz was built without the ").append(name).append(" reader");
        } else if (library->emulated && !emulates) {
            c.problem.append(names).append(": the ").append(library->label());
            c.problem.append(" reader runs under qemu-arm, which is not installed (Debian: qemu-user)");
        }
        if (!c.problem.empty()) return c;
    }
    for (const LibraryName &n : kLibraryNames) {
        if (!meant(n, all, linux, named)) continue;
        const CLibrary *library = find_library(built, n.name);
        if (library != nullptr && (!library->emulated || emulates)) {
            c.libraries.push_back(*library);
        } else {
            c.left_out.emplace_back(n.name);
        }
    }
    return c;
}

std::string runnable_libraries(const std::string &names, std::vector<CLibrary> &out) {
    LibcChoice c = choose_libraries(names);
    out = std::move(c.libraries);
    return c.problem;
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
    s.step = Sampling::kSparse;
    for (const int64_t t : changes) {
        if (t <= window.from || t >= window.to) continue;
        s.hints.push_back(t - 1);
        s.hints.push_back(t);
    }
    return s;
}

LibraryReadings read_tz_strings(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                                const TakeReading &take) {
    LibraryReadings result;
    if (!take) result.readings.resize(tz.size());
    const TakeReading keep = take ? take : [&result](size_t i, TzReading &&r) { result.readings[i] = std::move(r); };
    // One string a line, then its step and hints: a string with a newline
    // cannot be sent.
    std::string input;
    std::vector<size_t> sent;
    for (size_t i = 0; i < tz.size(); ++i) {
        if (tz[i].find('\n') != std::string::npos) {
            TzReading refused;
            refused.refused = "newline";
            keep(i, std::move(refused));
            continue;
        }
        const Sampling sampling = sampling_of(tz[i], window);
        char digits[24];
        const auto number = [&](int64_t n) { input.append(digits, std::to_chars(digits, std::end(digits), n).ptr); };
        input.append(tz[i]).append(1, '\n');
        number(sampling.step);
        for (const int64_t t : sampling.hints) {
            input += ' ';
            number(t);
        }
        input += '\n';
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
    // The answer as it comes: the "reader" line (its first 4096 bytes kept),
    // then the records.
    constexpr size_t kHeaderMost = 4096;
    std::string header;
    bool headed = false, broken = false;
    ReaderAnswer answer(sent.size(), window.from, window.to,
                        [&](size_t i, TzReading &&reading) { keep(sent[i], std::move(reading)); });
    const ProgramResult run = run_program(argv, input_file, [&](const char *data, size_t size) {
        if (!headed) {
            const auto *eol = static_cast<const char *>(std::memchr(data, '\n', size));
            const size_t line = eol != nullptr ? static_cast<size_t>(eol - data) : size;
            header.append(data, std::min(line, kHeaderMost - std::min(kHeaderMost, header.size())));
            if (eol == nullptr) return;
            headed = true;
            data = eol + 1;
            size -= line + 1;
        }
        if (!broken && header.rfind("reader ", 0) == 0) broken = !answer.add(data, size);
    });
    if (!run.ran || run.exit_status != 0 || !headed || header.rfind("reader ", 0) != 0) {
        result.error = "the " + library.name + " reader " +
                       (!run.ran ? "could not be run" : "failed (status " + std::to_string(run.exit_status) + ")") +
                       (header.empty() ? "" : ": " + header);
        return result;
    }
    result.reader_says = header.substr(7);
    std::string why;
    if (!answer.finish(why)) {
        result.error = "the " + library.name + " reader's answer is broken: " + why;
        return result;
    }
    result.ok = true;
    return result;
}

ReaderAnswer::ReaderAnswer(size_t count, int64_t from, int64_t to, TakeReading take)
    : count_(count), from_(from), to_(to), take_(std::move(take)) {}

bool ReaderAnswer::add(const char *data, size_t size) {
    // Whole lines are read where they stand; a line cut between two pieces
    // waits in partial_.
    const char *const end = data + size;
    while (why_.empty() && data < end) {
        const auto *eol = static_cast<const char *>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
        if (eol == nullptr) {
            partial_.append(data, end);
            break;
        }
        if (partial_.empty()) {
            line({data, static_cast<size_t>(eol - data)});
        } else {
            partial_.append(data, eol);
            line(partial_);
            partial_.clear();
        }
        data = eol + 1;
    }
    return why_.empty();
}

bool ReaderAnswer::finish(std::string &why) {
    // A last line without its line end is a line.
    if (why_.empty() && !partial_.empty()) line(partial_);
    partial_.clear();
    if (why_.empty() && (record_ != count_ || open_)) {
        why_ = std::to_string(record_) + " records for " + std::to_string(count_) + " strings";
    }
    why = why_;
    return why_.empty();
}

void ReaderAnswer::line(std::string_view text) {
    if (record_ == count_) {
        why_ = "more records than strings";
        return;
    }
    Span span;
    if (text == "end" && open_) {
        take_(record_++, std::move(reading_));
        reading_.refused.clear();  // kept where take_ did not move it: one buffer for every record
        reading_.spans.clear();
        open_ = false;
    } else if (text.rfind("refused ", 0) == 0 && !open_ && text.size() > 8) {
        reading_.refused = text.substr(8);
        open_ = true;
    } else if (parse_span(text, span) && reading_.refused.empty() &&
               // The first span starts at the first second, each further
               // one later than the one before and within the window.
               (reading_.spans.empty() ? span.from == from_
                                       : span.from > reading_.spans.back().from && span.from < to_)) {
        reading_.spans.push_back(std::move(span));
        open_ = true;
    } else {
        why_ = "record " + std::to_string(record_ + 1) + " has the line \"" + std::string(text) + "\"";
    }
}

bool parse_reader_answer(const std::string &answer, size_t count, int64_t from, int64_t to,
                         std::vector<TzReading> &readings, std::string &why) {
    readings.assign(count, TzReading());
    ReaderAnswer reader(count, from, to, [&readings](size_t i, TzReading &&r) { readings[i] = std::move(r); });
    reader.add(answer.data(), answer.size());
    return reader.finish(why);
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
