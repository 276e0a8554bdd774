// SPDX-License-Identifier: MIT
// Scratch space: every folder and file the tool writes for itself (the TZ
// strings handed to a reader, zic's sources and output, audit's rows) is
// made here, under $TMPDIR (else /tmp). Each step is checked (create, write,
// flush, close); where one fails, ScratchError names the folder and the
// cause, and main prints it as one line and exits 2: a workstation that
// cannot hold scratch files is not a device with a wrong setting.
#pragma once

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace qeltz {

// "cannot use TMPDIR /x for scratch files: No space left on device" ("cannot
// use /tmp ..." where TMPDIR is not set), for the errno value given.
class ScratchError : public std::runtime_error {
  public:
    explicit ScratchError(int error);
};

// A fresh folder `under`/`prefix`XXXXXX (mkdtemp, mode 0700); its path.
std::string fresh_folder(const std::string &under, const std::string &prefix);

// Writes a whole file: created, written, flushed to the file system and
// closed, each step checked.
void write_scratch_file(const std::string &path, const std::string &text);

// Throws ScratchError where a program that failed in scratch space said it
// could not write there: its output `said` names the cause as strerror does.
void check_program_wrote(const std::string &said);

// A fresh folder under $TMPDIR (else /tmp), removed with everything in it
// when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &path() const { return path_; }
    // Writes a file `name` in the folder (write_scratch_file); its path.
    std::string write(const std::string &name, const std::string &text) const;

  private:
    std::string path_;
};

// A scratch file of its own folder, written through, then read back from
// its start.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    void write(const void *data, size_t size);
    // Flushes what was written and goes back to the start.
    void rewind();
    // Reads `size` bytes: false at the end of the file.
    bool read(void *data, size_t size);

  private:
    ScratchDir dir_;
    std::FILE *file_ = nullptr;
};

}  // namespace qeltz
