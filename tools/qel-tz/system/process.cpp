// SPDX-License-Identifier: MIT
#include "system/process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char **environ;

namespace qeltz {

std::string find_program(const std::string &name) {
    for (const char *dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/sbin/", "/usr/local/bin/"}) {
        const std::string path = dir + name;
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

ProgramResult run_program(const std::vector<std::string> &argv, const std::string &input, const Heard &heard) {
    ProgramResult result;
    if (argv.empty()) return result;
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);

    std::vector<char *> args;
    args.reserve(argv.size() + 1);
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (spawned != 0) {
        close(pipe_fds[0]);
        return result;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = read(pipe_fds[0], buf, sizeof buf);
        if (n > 0 && heard) {
            heard(buf, static_cast<size_t>(n));
        } else if (n > 0) {
            result.output.append(buf, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipe_fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return result;
    }
    result.ran = true;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ScopedEnv::ScopedEnv(const char *name, const std::string &value, void (*after)()) : name_(name), after_(after) {
    const char *old = std::getenv(name);
    had_ = old != nullptr;
    saved_ = had_ ? old : "";
    setenv(name, value.c_str(), 1);
    if (after_ != nullptr) after_();
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_, saved_.c_str(), 1);
    } else {
        unsetenv(name_);
    }
    if (after_ != nullptr) after_();
}

std::string program_said(const ProgramResult &r, const std::string &folder) {
    std::string said = r.output;
    while (!said.empty() && said.back() == '\n') said.pop_back();
    const std::string prefix = folder + "/";
    for (size_t at = said.find(prefix); !folder.empty() && at != std::string::npos; at = said.find(prefix, at)) {
        said.erase(at, prefix.size());
    }
    return said;
}

bool write_file(const std::string &path, const std::string &text) {
    FILE *f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    const bool whole = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && whole;
}

bool read_file(const std::string &path, std::string &out) {
    // A file, a pipe or a terminal (standard input), and not past a size no
    // file the tool reads comes near: a name may lead to a device that never
    // ends.
    constexpr off_t kMostBytes = off_t{64} << 20;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    struct stat st {};
    bool ok = fstat(fileno(f), &st) == 0 && (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || isatty(fileno(f)) != 0);
    if (!ok) errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;  // "Invalid argument": not a file to read
    out.clear();
    char buf[8192];
    size_t n = 0;
    while (ok && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
        ok = static_cast<off_t>(out.size()) <= kMostBytes;
    }
    ok = ok && std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

}  // namespace qeltz
