// SPDX-License-Identifier: MIT
#include "formats/csv.hpp"

namespace qeltz {

namespace {

// A cursor over the text that counts lines as it passes line feeds.
class Cursor {
  public:
    explicit Cursor(const std::string &s) : s_(s) {}
    bool done() const { return pos_ >= s_.size(); }
    char peek() const { return s_[pos_]; }
    char take() {
        const char c = s_[pos_++];
        if (c == '\n') ++line_;
        return c;
    }
    // At a line end: LF, or CR followed by LF.
    bool at_line_end() const {
        return !done() && (s_[pos_] == '\n' || (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n'));
    }
    void skip_line_end() {
        if (s_[pos_] == '\r') ++pos_;
        take();
    }
    void skip_to_next_line() {
        while (!done() && take() != '\n') {
        }
    }
    size_t line() const { return line_; }
    void skip(size_t n) { pos_ += n; }

  private:
    const std::string &s_;
    size_t pos_ = 0, line_ = 1;
};

// A quoted field, the cursor after its opening quote. False if the text ends
// inside it.
bool read_quoted(Cursor &c, std::string &field) {
    while (!c.done()) {
        const char ch = c.take();
        if (ch != '"') {
            field += ch;
        } else if (!c.done() && c.peek() == '"') {
            field += c.take();
        } else {
            return true;
        }
    }
    return false;
}

// One record from the cursor on, which is at neither a blank line nor the end.
CsvRecord read_record(Cursor &c) {
    CsvRecord r;
    r.line = c.line();
    r.fields.emplace_back();
    for (;;) {
        std::string &field = r.fields.back();
        if (c.done()) return r;
        if (c.at_line_end()) {
            c.skip_line_end();
            return r;
        }
        const char ch = c.take();
        if (ch == ',') {
            r.fields.emplace_back();
        } else if (ch != '"') {
            field += ch;
        } else if (!field.empty()) {
            r.error = "a quote inside a field that does not start with one";
        } else if (!read_quoted(c, field)) {
            r.error = "a quoted field is not closed before the end of the file";
            return r;
        } else if (!c.done() && !c.at_line_end() && c.peek() != ',') {
            r.error = "text after the closing quote of a field";
        } else if (!c.done() && c.peek() == ',') {
            c.take();
            r.fields.emplace_back();
        }
        if (!r.error.empty()) {
            c.skip_to_next_line();
            return r;
        }
    }
}

}  // namespace

std::vector<CsvRecord> read_csv(const std::string &text) {
    std::vector<CsvRecord> records;
    Cursor c(text);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) c.skip(3);
    while (!c.done()) {
        if (c.at_line_end()) {
            c.skip_line_end();
            continue;
        }
        records.push_back(read_record(c));
    }
    return records;
}

}  // namespace qeltz
