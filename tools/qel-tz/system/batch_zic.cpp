// SPDX-License-Identifier: MIT
#include "system/batch_zic.hpp"

#include <unistd.h>

#include <sstream>

#include "system/process.hpp"
#include "system/scratch.hpp"

namespace qeltz {

namespace {

// Compiles the texts at `which` in one run; halves them where zic refuses.
void compile_some(const std::string &zic, const std::string &dir, const std::vector<std::string> &texts,
                  const std::vector<size_t> &which, std::vector<ZicOutcome> &out) {
    const std::string folder = fresh_folder(dir, "batch-");
    std::string source;
    for (size_t i : which) source += rename_zic_text(texts[i], "z" + std::to_string(i), "r" + std::to_string(i));
    write_scratch_file(folder + "/source.zi", source);
    const ProgramResult r = run_program({zic, "-d", folder + "/out", folder + "/source.zi"});
    if (r.ran && r.exit_status != 0) check_program_wrote(r.output);
    const std::string said = program_said(r, folder);
    if (r.ran && r.exit_status == 0) {
        for (size_t i : which) {
            const std::string path = folder + "/out/z" + std::to_string(i);
            if (access(path.c_str(), R_OK) == 0) {
                out[i].path = path;
            } else {
                out[i].said = "zic wrote no zone for the text (it names no zone local)";
            }
        }
    } else if (which.size() == 1) {
        out[which[0]].said = r.ran ? said : "zic could not be run";
    } else {
        const auto half = static_cast<std::ptrdiff_t>(which.size() / 2);
        compile_some(zic, dir, texts, {which.begin(), which.begin() + half}, out);
        compile_some(zic, dir, texts, {which.begin() + half, which.end()}, out);
    }
}

}  // namespace

std::string rename_zic_text(const std::string &text, const std::string &zone, const std::string &rules) {
    std::istringstream lines(text);
    std::string line, out;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        const bool rule = w.size() > 1 && w[0] == "Rule" && w[1] == "qlrule";
        const bool zone_line = w.size() > 3 && w[0] == "Zone" && w[1] == "local";
        if (!rule && !zone_line) {
            out += line + "\n";
            continue;
        }
        w[1] = rule ? rules : zone;
        if (zone_line && w[3] == "qlrule") w[3] = rules;
        for (size_t i = 0; i < w.size(); ++i) out += (i ? " " : "") + w[i];
        out += "\n";
    }
    return out;
}

std::vector<ZicOutcome> compile_batch(const std::string &zic, const std::string &dir,
                                      const std::vector<std::string> &texts) {
    std::vector<ZicOutcome> out(texts.size());
    std::vector<size_t> all(texts.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    if (!all.empty()) compile_some(zic, dir, texts, all, out);
    return out;
}

}  // namespace qeltz
