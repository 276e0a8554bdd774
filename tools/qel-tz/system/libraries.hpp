// SPDX-License-Identifier: MIT
// The C libraries that judge TZ strings: glibc, and musl, uClibc-ng and
// newlib where the tool was built with their readers. Each library reads the
// strings in a reader program of its own (tz_reader.h), one process per call,
// which reads every string as a POSIX TZ string only, never as a file of this
// machine; and a string whose meaning the libraries leave to themselves is
// told apart by library_choices.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "judge/local_time.hpp"
#include "judge/reasons.hpp"
#include "judge/window.hpp"

namespace qeltz {

struct CLibrary {
    std::string name;       // "glibc", "musl", "uclibc-ng", "newlib": as --libc names it
    std::string version;    // "2.36", "1.2.3"; "unknown" where the build could not tell
    std::string reader;     // the path of its reader program
    bool emulated = false;  // the reader is a 32-bit ARM program, run by qemu-arm

    // "glibc 2.36", "uClibc-ng 1.0.35", as the output names the library.
    std::string label() const;
};

// Where the readers are: libexec/qel-tz/ relative to the running executable's
// directory (bin/ when installed; the build tree has the same layout).
std::string reader_directory();

// The libraries this build has, glibc first, then musl, uClibc-ng and
// newlib where their readers were built. Listed whether or not the reader is there: a missing reader is an
// error when reading, not a library quietly left out.
std::vector<CLibrary> c_libraries(const std::string &directory = reader_directory());

// Whether a C library of that name may have a reader in some build of the
// tool ("glibc", "musl", "uclibc-ng", "newlib"), and all those names.
bool known_library(const std::string &name);
std::vector<std::string> library_names();

// The libraries --libc names, in the order of c_libraries(): names separated
// by commas, each a library, "linux" (those of Linux devices: glibc, musl,
// uClibc-ng; the default) or "all" (newlib too, for microcontrollers).
std::vector<CLibrary> libraries_named(const std::string &names);

// The program that runs an emulated reader (qemu-arm), or "" where it is
// not installed.
std::string emulator();

// The libraries a --libc value or a fleet row's libc cell names, those whose
// readers can run here: "" with them in `out`, or why it names none that
// can: a name no build has, a library this build lacks, a library named
// whose reader qemu-arm runs where it is not installed ("linux" and "all"
// leave such a library out instead).
std::string runnable_libraries(const std::string &names, std::vector<CLibrary> &out);

// The same, with what "linux" or "all" meant that cannot run here: the one
// reading of such a text.
struct LibcChoice {
    std::vector<CLibrary> libraries;
    std::vector<std::string> left_out;  // "musl", "newlib": built without, or emulated where qemu-arm is missing
    std::string problem;                // "" where it names libraries that can run
};
LibcChoice choose_libraries(const std::string &names);

// The library of that name among `libraries`, or nullptr.
const CLibrary *find_library(const std::vector<CLibrary> &libraries, const std::string &name);

// How one library read one TZ string.
struct TzReading {
    // Empty: the library read it. Else the string was not handed to the
    // library, and why, in a word:
    //   file-name  it starts with ':' or '/', or has a "." or ".." part
    //              between slashes: it names a file
    //   not-posix  no offset after its name (musl would look for a file)
    //   nul-byte   it holds a NUL byte
    //   too-long   longer than 255 bytes
    //   newline    it holds a newline (one string a line: not sent)
    std::string refused;
    // The local time it gives over the window: the span in force at its
    // first second, then each change (UTC offsets past 32 bits are clamped).
    std::vector<Span> spans;
};

// How one library read many TZ strings.
struct LibraryReadings {
    bool ok = false;
    std::string error;                // why not, when !ok
    std::string reader_says;          // the reader's own name for its library, "glibc 2.36"
    std::vector<TzReading> readings;  // one per string, in the order given
};

// How a reader samples a string, the one rule for every reading of every
// string: where the tool can tell the string's changes (judge/local_time.hpp),
// at each of them and the second before, and every 30 days between (a
// library that puts a change elsewhere is still wrong at the expected
// instant, and the change it makes is found from there; a state of its own
// shorter than 30 days that covers no expected change is not seen); where
// the tool cannot tell them (daylight time without rules, a string outside
// the grammar), every hour, which still sees the one-hour state a year musl
// gives EST5EDT.
struct Sampling {
    static constexpr int64_t kHourly = 3600, kSparse = int64_t{30} * 86400;  // a multiple of kHourly
    int64_t step = kHourly;
    std::vector<int64_t> hints;
};
Sampling sampling_of(const std::string &tz, Window window);

// Handed each string's reading as it comes, with the string's index.
using TakeReading = std::function<void(size_t index, TzReading &&reading)>;

// Hands all the strings to one reader process of the library, on its
// standard input, and reads each over the window as sampling_of says.
// `take`, where given, is handed each reading as the reader gives it, and
// the result keeps none: the answer is read as a stream.
LibraryReadings read_tz_strings(const CLibrary &library, const std::vector<std::string> &tz, Window window,
                                const TakeReading &take = {});

// Reads a reader's answer for `count` strings over [from, to), as it comes:
// its output after the "reader" line (readers/tz_reader.h), each record
// handed to `take` (its index counts the records) once it ends. An answer
// the protocol does not allow stops it, with why: a record for each string,
// spans in order within the window, the first at `from`.
class ReaderAnswer {
  public:
    ReaderAnswer(size_t count, int64_t from, int64_t to, TakeReading take);
    // The next piece of the answer; false once it is broken.
    bool add(const char *data, size_t size);
    // Whether the answer was whole, once all of it is added; why not.
    bool finish(std::string &why);

  private:
    void line(std::string_view text);
    size_t count_, record_ = 0;
    int64_t from_, to_;
    TakeReading take_;
    TzReading reading_;
    bool open_ = false;  // a record has begun and not ended
    std::string partial_, why_;
};

// The same over a whole answer, the readings in `readings`.
bool parse_reader_answer(const std::string &answer, size_t count, int64_t from, int64_t to,
                         std::vector<TzReading> &readings, std::string &why);

// A way in which a TZ string leaves its meaning to the C library that reads
// it, so that libraries (the device's among them) read it differently.
struct LibraryChoice {
    // daylight-without-rules  daylight time named without the rules that
    //                         say when: glibc takes US rules, musl keeps
    //                         daylight time almost all year
    // long-name               a name longer than six characters: musl keeps
    //                         the first six
    // not-posix               outside the POSIX grammar: each library reads
    //                         what it can of it
    ReasonKind kind;
    std::string text;  // the reason in words, naming the string's parts
};

// Every way in which the string leaves its meaning to the library; none for a
// string every library reads alike.
std::vector<LibraryChoice> library_choices(const std::string &tz);

// How those of `libraries` that misread a POSIX string read this one, each
// naming the library and the part of the string:
//   drops-to-utc         uClibc-ng reads the whole string as UTC where a rule
//                        time is outside 0-24 h or a name is not 3 to 6
//                        characters
//   quoted-name-misread  newlib misreads every <...> name, and the offset
//                        after it
//   negative-rule-time   newlib misreads a rule time below 0
std::vector<Reason> library_misreadings(const std::string &tz, const std::vector<CLibrary> &libraries);

}  // namespace qeltz
