// SPDX-License-Identifier: MIT
#include "cli/cli.hpp"

#include "commands/commands.hpp"
#include "system/database.hpp"
#include "system/libraries.hpp"

#include <cctype>

namespace qeltz {

namespace {

const Option *option_named(const std::string &name) {
    for (const Option &o : option_rows()) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

const Command *command_named(const std::string &name) {
    for (const Command &c : command_rows()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

bool takes(const Command &c, const Option &o) { return o.reach == Option::kEveryCommand || c.options.has(o.id); }

bool is_default(const Command &c) { return c.name[0] == '\0'; }

// A command's synopsis as the usage lines give it, with --json, which every
// command takes: "FILE [--tzdir DIR] ... [--json]".
std::string usage_of(const Command &c) { return std::string(c.synopsis) + (c.synopsis[0] ? " " : "") + "[--json]"; }

bool refuse(std::string &error, const std::string &why) {
    error = why;
    return false;
}

}  // namespace

bool parse_request(const std::vector<std::string> &args, int64_t now, Request &r, std::string &error) {
    r = Request{};
    r.window = window_from(now);
    r.command = command_named("");
    error.clear();
    // The line: a command word (the first word that is not an option), the
    // options with their values, in order, and the command's own arguments.
    std::vector<std::pair<const Option *, std::string>> options;
    bool options_ended = false;  // after "--" every word is a word, not an option
    bool help_word = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (!options_ended && a == "--") {
            options_ended = true;
        } else if (!options_ended && a.size() > 2 && a[0] == '-' && a[1] == '-') {
            const size_t equals = a.find('=');
            const std::string name = a.substr(0, equals);
            const Option *o = option_named(name);
            if (o == nullptr) return refuse(error, "unknown option " + name);
            const bool has_value = o->arg[0] != '\0';
            if (!has_value && equals != std::string::npos) return refuse(error, "option " + name + " takes no value");
            if (equals != std::string::npos) {
                options.emplace_back(o, a.substr(equals + 1));
                continue;
            }
            if (has_value && i + 1 >= args.size()) return refuse(error, "option " + a + " needs " + o->arg);
            options.emplace_back(o, has_value ? args[++i] : std::string());
        } else if (!options_ended && a == "-h") {
            r.help = true;
        } else if (!options_ended && a.size() > 1 && a[0] == '-' && std::isalpha(static_cast<unsigned char>(a[1]))) {
            return refuse(error, "unknown option " + a);  // -j; "-" and "-05:00" stay words
        } else if (help_word && !r.command_named && a == "help") {
            // "help help": the whole help
        } else if (!r.command_named && !help_word && a == "help") {
            help_word = r.help = true;  // the next word names the command to help with
        } else if (!r.command_named && !a.empty()) {
            r.command_named = true;
            if ((r.command = command_named(a)) == nullptr) return refuse(error, "unknown command " + a);
        } else {
            r.arguments.push_back(a);
        }
    }
    // Each option once: a second one would silently win or be dropped.
    for (size_t i = 0; i < options.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (options[j].first == options[i].first) {
                return refuse(error, "option " + std::string(options[i].first->name) + " given twice");
            }
        }
    }
    // The options that go with any command or with none are stored first:
    // --help and --version end the reading, whatever else the line holds.
    for (const auto &[o, value] : options) {
        if (o->reach == Option::kListed) continue;
        if (o->reach == Option::kAlone && r.command_named) return refuse(error, std::string(o->name) + " goes alone");
        if (!o->store(value, r, error)) return false;
        r.given.add(o->id);
    }
    if (r.help || r.version) return true;
    // The command's own options, each stored in turn, then its arguments and checks.
    const Command &c = *r.command;
    for (const auto &[o, value] : options) {
        if (o->reach != Option::kListed) continue;
        if (!takes(c, *o)) {
            return refuse(error, "option " + std::string(o->name) + " does not go with " +
                                     (is_default(c) ? "the default run" : c.name));
        }
        if (!o->store(value, r, error)) return false;
        r.given.add(o->id);
    }
    // The default --libc, read as the option would be.
    const Option *libc = option_named("--libc");
    if (!r.given.has(Opt::kLibc) && takes(c, *libc) && !libc->store(r.libc, r, error)) return false;
    if (r.arguments.size() < c.arguments) return refuse(error, std::string(c.name) + " needs " + usage_of(c));
    if (r.arguments.size() > c.arguments) return refuse(error, "unexpected argument " + r.arguments[c.arguments]);
    if (c.check != nullptr) error = c.check(r);
    return error.empty();
}

std::string help_text(const Command &command) {
    const bool whole = is_default(command);
    std::string s;
    for (const Command &c : command_rows()) {
        if (!whole && &c != &command) continue;
        s += std::string(s.empty() ? "usage: " : "       ") + "qel-tz" + (is_default(c) ? "" : " ") + c.name + " " +
             usage_of(c) + "\n";
    }
    s += "\n";
    for (const Command &c : command_rows()) {
        if (!whole && &c != &command) continue;
        s += std::string("  ") + (is_default(c) ? "(none)" : c.name) + "\n      " + c.summary + "\n";
    }
    s += "\noptions:\n";
    for (const Option &o : option_rows()) {
        if (!whole && !takes(command, o)) continue;
        s += std::string("  ") + o.name + (o.arg[0] ? " " : "") + o.arg + "\n      " + o.text + "\n";
    }
    if (whole) {
        s += "\nEvery judging command (place, places, check, diff, audit) judges the same window: from the start of "
             "this\nhour (UTC) to the end of the tenth year after this one, or the whole years of --years; and a "
             "verdict is\nthe worst over the C libraries of --libc.\n\nexit status:\n";
        for (int status = 0; status < 3; ++status) {
            s += "  " + std::to_string(status) + "  " + kExitStatusText[status] + "\n";
        }
    }
    return s;
}

namespace {

// Text for troff: backslashes and hyphens escaped, no line starting a request.
std::string roff(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

const char *const kExamples[][2] = {
    {"qel-tz place Europe/Berlin", "the record for Berlin, its texts and both verdicts"},
    {"qel-tz places --csv > places.csv", "every place of the tz database, one row each"},
    {"qel-tz check --tz 'EST5EDT,M3.2.0,M11.1.0' --place America/New_York",
     "whether a TZ string from a provisioning server is right for New York"},
    {"qel-tz tz --zone 92 --dst 60 --start M3.2.0 --end M11.1.0", "the TZ string of a record"},
    {"qel-tz zic --zone +05:45", "the zic text of a record without daylight saving"},
    {"qel-tz diff old/zoneinfo new/zoneinfo",
     "which TZ strings of the old release the new one makes wrong, and from when"},
    {"qel-tz audit fleet.csv --json", "every device of a fleet: its verdict, from when it is wrong, what to send"},
    {"qel-tz parse 'CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00'", "a TZ string read into a record"},
};

}  // namespace

std::string bash_completion() {
    std::string commands, cases;
    for (const Command &c : command_rows()) {
        if (is_default(c)) continue;
        commands += std::string(commands.empty() ? "" : " ") + c.name;
        std::string options;
        for (const Option &o : option_rows()) {
            if (o.reach != Option::kAlone && takes(c, o)) options += std::string(options.empty() ? "" : " ") + o.name;
        }
        cases += std::string("        ") + c.name + ") options='" + options + "' ;;\n";
    }
    std::string libraries = "linux all";
    for (const std::string &name : library_names()) libraries += " " + name;
    std::string valued;  // the options that take a value
    for (const Option &o : option_rows()) {
        if (o.arg[0] != '\0') valued += std::string(valued.empty() ? "" : "|") + o.name;
    }
    std::string not_place;  // a database's top names that are no places
    for (const std::string &name : not_places()) not_place += (not_place.empty() ? "" : "|") + name;
    return "# bash completion for qel-tz, written from its command and option tables\n"
           "_qel_tz_places() {\n"
           "    local dir=${TZDIR:-/usr/share/zoneinfo} i\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        [[ ${COMP_WORDS[i]} == --tzdir ]] && dir=${COMP_WORDS[i + 1]}\n"
           "        [[ ${COMP_WORDS[i]} == --tzdir=* ]] && dir=${COMP_WORDS[i]#--tzdir=}\n"
           "    done\n"
           "    local path\n"
           "    while IFS= read -r path; do\n"
           "        case ${path#\"$dir\"/} in " +
           not_place +
           ") continue ;; esac\n"
           "        [[ -d $path ]] && path+=/\n"
           "        COMPREPLY+=(\"${path#\"$dir\"/}\")\n"
           "    done < <(compgen -f -- \"$dir/$1\")\n"
           "    compopt -o nospace 2>/dev/null\n"
           "}\n"
           "_qel_tz() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} command='' i\n"
           "    COMPREPLY=()\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        case ${COMP_WORDS[i]} in\n"
           "        " +
           valued +
           ") ((i++)) ;;\n"
           "        -*) ;;\n"
           "        *) [[ -z $command ]] && command=${COMP_WORDS[i]} ;;\n"
           "        esac\n"
           "    done\n"
           "    case $prev in\n"
           "    --tzdir) compopt -o dirnames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n"
           "    --place) _qel_tz_places \"$cur\"; return ;;\n"
           "    --libc) COMPREPLY=($(compgen -W '" +
           libraries +
           "' -- \"$cur\")); return ;;\n"
           "    " +
           valued +
           ") return ;;\n"
           "    esac\n"
           "    local options='--json --help'\n"
           "    case $command in\n" +
           cases +
           "        '') options='--help --version' ;;\n"
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
           "    elif [[ -z $command ]]; then\n"
           "        COMPREPLY=($(compgen -W 'help " +
           commands +
           "' -- \"$cur\"))\n"
           "    elif [[ $command == help && $prev == help ]]; then\n"
           "        COMPREPLY=($(compgen -W '" +
           commands +
           "' -- \"$cur\"))\n"
           "    elif [[ $command == place ]]; then\n"
           "        _qel_tz_places \"$cur\"\n"
           "    elif [[ $command == audit || $command == diff ]]; then\n"
           "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -F _qel_tz qel-tz\n";
}

std::string manual_page(const std::string &version) {
    std::string s = ".TH QEL-TZ 1 \"\" \"qeltime " + version + "\" \"User Commands\"\n";
    s += ".SH NAME\nqel-tz \\- prepare and check device timezone settings\n.SH SYNOPSIS\n";
    for (const Command &c : command_rows()) {
        s += ".B qel-tz\n" + std::string(is_default(c) ? "" : ".B " + std::string(c.name) + "\n") + roff(usage_of(c)) +
             "\n.br\n";
    }
    s += ".SH DESCRIPTION\n"
         "qel-tz turns device timezone settings records into POSIX TZ strings and zic source text with the "
         "qeltime library, reads TZ strings back, and derives and verifies the record for a place of the tz "
         "database, so that an engineer knows what to send to a device and whether it is right.\n"
         ".SH COMMANDS\n";
    for (const Command &c : command_rows()) {
        s += ".TP\n.B " + std::string(is_default(c) ? "(none)" : c.name) + "\n" + roff(c.summary) + "\n";
    }
    s += ".SH OPTIONS\n";
    for (const Option &o : option_rows()) {
        s += ".TP\n.BR " + roff(o.name) + (o.arg[0] ? " \" \" \"" + std::string(o.arg) + "\"" : "") + "\n" +
             roff(o.text) + "\n";
    }
    s += ".SH EXIT STATUS\n";
    for (int status = 0; status < 3; ++status) {
        s += ".TP\n" + std::to_string(status) + "\n" + roff(kExitStatusText[status]) + "\n";
    }
    s += ".SH EXAMPLES\n";
    for (const auto &e : kExamples) s += ".TP\n.B " + roff(e[0]) + "\n" + roff(e[1]) + "\n";
    s += ".SH ENVIRONMENT\n.TP\n.B TZDIR\nthe tz database, when \\-\\-tzdir is not given "
         "(else /usr/share/zoneinfo); TZ strings are never looked up in it\n"
         ".SH SEE ALSO\n.BR qeltime (3),\n.BR zic (8),\n.BR tzfile (5)\n";
    return s;
}

}  // namespace qeltz
