// SPDX-License-Identifier: MIT
// The command line of qel-tz as tables: a row per option (option_table.cpp)
// and a row per command (command_table.cpp). The reader, the dispatch, --help
// and the manual page are all written from the rows, so a new command is a
// new row (with its run function and its checks) and a new option is a new
// value of Opt and a new row. Reading is a pure function of the arguments, so
// every refusal is a message and nothing is half done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "judge/window.hpp"
#include "qel_time.h"
#include "system/libraries.hpp"

namespace qeltz {

// The options, one for each row of the option table.
enum class Opt : uint8_t {
    kZone,
    kDst,
    kStart,
    kEnd,
    kTz,
    kPlace,
    kYears,
    kTzdir,
    kLibc,
    kCsv,
    kPlaces,
    kLinks,
    kOut,
    kJson,
    kHtml,
    kHelp,
    kVersion
};

// A set of options, such as the ones a command takes.
class OptionSet {
  public:
    constexpr OptionSet() = default;
    constexpr OptionSet(std::initializer_list<Opt> options) {
        for (const Opt o : options) add(o);
    }
    constexpr void add(Opt o) { bits_ |= bit(o); }
    constexpr bool has(Opt o) const { return (bits_ & bit(o)) != 0; }

  private:
    static constexpr uint32_t bit(Opt o) { return uint32_t{1} << static_cast<unsigned>(o); }
    uint32_t bits_ = 0;
};

struct Command;

// What the command line asks for.
struct Request {
    const Command *command = nullptr;    // its row; the default run's where none is named
    bool command_named = false;          // a command word was given ("help" counts)
    bool help = false;                   // --help, -h or help: the command's help instead of a run
    bool version = false;                // --version
    OptionSet given;                     // the options on the line
    std::vector<std::string> arguments;  // the command's own, such as parse's TZ or place's NAME
    bool json = false, csv = false;
    qel_tzset record{};          // --zone, --dst, --start, --end
    std::string tz;              // --tz
    std::string place;           // --place
    Window window;               // the default window, or --years's
    std::string tzdir;           // "" for $TZDIR, else /usr/share/zoneinfo
    std::string libc = "linux";  // --libc: the C libraries that read TZ strings (system/libraries.hpp)
    LibcChoice libraries;        // --libc (or its default) as read once, for a command that takes it
    std::string html;            // --html: the page to write besides the output ("": none)
    std::string places_file;     // table --places: a file of place names
    bool links = false;          // table --links: the database's links as names too
    std::string out;             // table --out: the folder of the C files

    bool has_record() const { return given.has(Opt::kZone); }
};

// An option row: its name and argument, which commands take it, how its
// value is stored (false, with one line in `error`, for a value it refuses)
// and what --help says of it.
struct Option {
    enum Reach {
        kListed,        // taken by the commands whose rows list it
        kEveryCommand,  // taken by every command (--json, --help)
        kAlone,         // taken only where no command is named (--version)
    };
    Opt id;
    const char *name;  // "--zone"
    const char *arg;   // "ZONE"; "" for a switch
    Reach reach;
    bool (*store)(const std::string &value, Request &request, std::string &error);
    const char *text;
};

// A command row: its name, its synopsis and summary for --help and the manual
// page, the options it takes (besides those every command takes), how many
// arguments of its own it wants, the function that runs it (printing its
// result and returning the exit status) and its own checks of the request as
// a whole, made once every option is stored (the first problem, or "").
struct Command {
    const char *name;  // "" for the default run
    const char *synopsis;
    const char *summary;
    OptionSet options;
    size_t arguments;
    int (*run)(const Request &request);
    std::string (*check)(const Request &request);  // null: none
};

// The rows of a table, in the order --help lists them.
template <typename Row>
struct Rows {
    const Row *first;
    size_t count;
    const Row *begin() const { return first; }
    const Row *end() const { return first + count; }
};
Rows<Option> option_rows();
Rows<Command> command_rows();

// Reads the arguments after the program name. False, with one line that
// names the first problem in `error`, for anything the tool refuses. `now`
// (UTC seconds) places the default window (judge/window.hpp). An option's
// value follows it as the next word or after "=" (--years=2026-2030).
bool parse_request(const std::vector<std::string> &args, int64_t now, Request &request, std::string &error);

// The help of one command, or of the whole tool for the default run's row.
std::string help_text(const Command &command);

// The manual page qel-tz(1), in troff, written from the same tables as the
// help, with the examples and exit status.
std::string manual_page(const std::string &version);

// Bash completion for qel-tz, written from the same tables: command names,
// each command's options, an option's values where they are a list (--libc),
// folders for --tzdir, and place names from the database the line names
// (--tzdir, else $TZDIR, else /usr/share/zoneinfo) for place and --place.
std::string bash_completion();

}  // namespace qeltz
