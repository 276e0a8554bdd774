// SPDX-License-Identifier: MIT
#include "system/scratch.hpp"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qeltz {

namespace {

const char *tmpdir_variable() {
    const char *tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : nullptr;
}

std::string scratch_root() {
    const char *tmp = tmpdir_variable();
    return tmp != nullptr ? tmp : "/tmp";
}

std::string scratch_message(int error) {
    const char *tmp = tmpdir_variable();
    return std::string("cannot use ") + (tmp != nullptr ? "TMPDIR " : "") + scratch_root() +
           " for scratch files: " + std::strerror(error);
}

int remove_entry(const char *path, const struct stat * /*st*/, int /*flag*/, struct FTW * /*ftw*/) {
    return remove(path);
}

// The errno value of a failed step, never 0: a short write without one is
// a full file system.
int cause() { return errno != 0 ? errno : ENOSPC; }

}  // namespace

ScratchError::ScratchError(int error) : std::runtime_error(scratch_message(error)) {}

std::string fresh_folder(const std::string &under, const std::string &prefix) {
    std::string pattern = under + "/" + prefix + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw ScratchError(cause());
    return pattern;
}

void write_scratch_file(const std::string &path, const std::string &text) {
    errno = 0;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw ScratchError(cause());
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
    const int error = cause();
    if (std::fclose(f) != 0 || !written) throw ScratchError(written ? cause() : error);
}

void check_program_wrote(const std::string &said) {
    for (const int error : {ENOSPC, EFBIG, EDQUOT, EIO}) {
        if (said.find(std::strerror(error)) != std::string::npos) throw ScratchError(error);
    }
}

ScratchDir::ScratchDir() : path_(fresh_folder(scratch_root(), "qeltime-")) {}

ScratchDir::~ScratchDir() {
    // Depth first, without following links, on this file system only.
    nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

std::string ScratchDir::write(const std::string &name, const std::string &text) const {
    std::string path = path_ + "/" + name;
    write_scratch_file(path, text);
    return path;
}

ScratchFile::ScratchFile() {
    errno = 0;
    file_ = std::fopen((dir_.path() + "/file").c_str(), "w+b");
    if (file_ == nullptr) throw ScratchError(cause());
}

ScratchFile::~ScratchFile() { (void)std::fclose(file_); }

void ScratchFile::write(const void *data, size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) throw ScratchError(cause());
}

void ScratchFile::rewind() {
    errno = 0;
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) throw ScratchError(cause());
}

bool ScratchFile::read(void *data, size_t size) {
    errno = 0;
    if (std::fread(data, 1, size, file_) == size) return true;
    if (std::ferror(file_) != 0) throw ScratchError(cause());
    return false;
}

}  // namespace qeltz
