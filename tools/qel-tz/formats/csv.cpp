// SPDX-License-Identifier: MIT
#include "formats/csv.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace qeltz {

namespace {

constexpr size_t kChunk = 64 * 1024;  // bytes asked of the source at a time
constexpr size_t kSniffBytes = 64;    // how far the encoding is judged

const char *encoding_of(const unsigned char *b, size_t n) {
    struct Mark {
        const char *bytes;
        size_t size;
        const char *name;
    };
    // UTF-32's little-endian mark starts with UTF-16's, so it comes first.
    const Mark marks[] = {{"\x00\x00\xFE\xFF", 4, "UTF-32 (big-endian)"},
                          {"\xFF\xFE\x00\x00", 4, "UTF-32 (little-endian)"},
                          {"\xFE\xFF", 2, "UTF-16 (big-endian)"},
                          {"\xFF\xFE", 2, "UTF-16 (little-endian)"}};
    for (const Mark &m : marks) {
        if (n >= m.size && std::memcmp(b, m.bytes, m.size) == 0) return m.name;
    }
    // Without a mark: a header in ASCII saved as UTF-16 has a NUL in every
    // other byte and none between.
    const size_t pairs = std::min(n, kSniffBytes) / 2;
    if (pairs < 2) return nullptr;
    bool little = true, big = true;
    for (size_t i = 0; i < pairs; ++i) {
        little = little && b[2 * i] != 0 && b[2 * i + 1] == 0;
        big = big && b[2 * i] == 0 && b[2 * i + 1] != 0;
    }
    return little ? "UTF-16 (little-endian)" : big ? "UTF-16 (big-endian)" : nullptr;
}

std::string bound_text(size_t bytes) {
    return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB" : std::to_string(bytes) + " bytes";
}

}  // namespace

CsvSource csv_source(std::FILE *in) {
    return [in](char *buffer, size_t size) -> long {
        errno = 0;
        const size_t n = std::fread(buffer, 1, size, in);
        if (n > 0 || std::ferror(in) == 0) return static_cast<long>(n);
        if (errno == 0) errno = EIO;
        return -1;
    };
}

CsvSource csv_source(const std::string &text) {
    return [&text, at = size_t{0}](char *buffer, size_t size) mutable -> long {
        const size_t n = std::min(size, text.size() - at);
        std::memcpy(buffer, text.data() + at, n);
        at += n;
        return static_cast<long>(n);
    };
}

CsvReader::CsvReader(CsvSource source, size_t max_record)
    : source_(std::move(source)),
      max_record_(max_record),
      too_long_("the row is longer than " + bound_text(max_record)),
      buffer_(kChunk) {}

void CsvReader::start() {
    if (started_) return;
    started_ = true;
    while (end_ < kSniffBytes && read_more()) {
    }
    const auto *b = reinterpret_cast<const unsigned char *>(buffer_.data());
    encoding_ = encoding_of(b, end_);
    if (encoding_ == nullptr && end_ >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
}

const char *CsvReader::foreign_encoding() {
    start();
    return encoding_;
}

// More bytes at the end of the buffer, which is emptied first once all is
// consumed; false at the end of the input or on a read error.
bool CsvReader::read_more() {
    if (ended_) return false;
    if (pos_ == end_) pos_ = end_ = 0;
    const long n = source_(buffer_.data() + end_, buffer_.size() - end_);
    if (n > 0) {
        end_ += static_cast<size_t>(n);
        return true;
    }
    ended_ = true;
    if (n < 0) read_errno_ = errno != 0 ? errno : EIO;
    return false;
}

// Counts the line ends a byte makes: a CR, an LF, and a CRLF once.
void CsvReader::pass(char c) {
    if (c == '\r' || (c == '\n' && !after_cr_)) ++line_;
    after_cr_ = c == '\r';
    open_line_ = c != '\r' && c != '\n';
}

void CsvReader::fail(CsvRow &r, State &state, const std::string &why) {
    r.error = why;
    state = kSkip;
}

bool CsvReader::next(CsvRow &r) {
    start();
    if (encoding_ != nullptr) return false;
    // Blank lines, and the LF of a CRLF whose CR ended the last record.
    for (;;) {
        if (pos_ == end_ && !read_more()) return false;
        const char c = buffer_[pos_];
        if (c != '\r' && c != '\n') break;
        pass(c);
        ++pos_;
    }
    r.line = r.last_line = line_;
    r.quote_line = r.quote_closed = 0;
    r.error.clear();
    size_t fields = 1, length = 0;  // fields begun; bytes of the record so far
    // The line the quoted field being read opened on; the field that first
    // ran over a line end.
    size_t quote_opened = 0, crossing = 0;
    if (r.fields.empty()) r.fields.emplace_back();
    r.fields[0].clear();
    auto new_field = [&r, &fields] {
        if (fields == r.fields.size()) r.fields.emplace_back();
        r.fields[fields++].clear();
    };
    State state = kFieldStart;
    while (pos_ < end_ || read_more()) {
        const char *p = buffer_.data() + pos_, *e = buffer_.data() + end_;
        std::string &field = r.fields[fields - 1];
        // Runs of plain bytes in a field, and of any byte in a skipped
        // record, are passed at once.
        const char *q = p;
        if (state == kPlain) {
            while (q < e && *q != ',' && *q != '"' && *q != '\r' && *q != '\n') ++q;
        } else if (state == kQuoted) {
            while (q < e && *q != '"' && *q != '\r' && *q != '\n') ++q;
        } else if (state == kSkip) {
            while (q < e && *q != '\r' && *q != '\n') ++q;
        }
        if (q > p) {
            const size_t n = static_cast<size_t>(q - p);
            after_cr_ = false;
            open_line_ = true;
            r.last_line = line_;
            if (state != kSkip && length + n > max_record_) {
                // The bytes up to the bound are kept, however the input was cut into chunks.
                field.append(p, max_record_ - length);
                pos_ += max_record_ - length + 1;
                fail(r, state, too_long_);
                continue;
            }
            if (state != kSkip) field.append(p, n);
            length += n;
            pos_ += n;
            continue;
        }
        const char c = *p;
        const bool line_end = c == '\r' || c == '\n';
        if (line_end && state != kQuoted) {
            pass(c);
            ++pos_;
            break;
        }
        // The LF of a CRLF is on the line its CR ends.
        r.last_line = c == '\n' && after_cr_ ? line_ - 1 : line_;
        if (line_end && r.quote_line == 0) {
            r.quote_line = quote_opened;
            crossing = fields;
        }
        pass(c);
        ++pos_;
        if (++length > max_record_) {
            fail(r, state, too_long_);
            continue;
        }
        switch (state) {
            case kFieldStart:
                if (c == '"') {
                    state = kQuoted;
                    quote_opened = line_;
                } else if (c == ',') {
                    new_field();
                } else {
                    field += c;
                    state = kPlain;
                }
                break;
            case kPlain:
                if (c == ',') {
                    new_field();
                    state = kFieldStart;
                } else {  // a quote: the run above stops at nothing else
                    fail(r, state, "a quote inside a field that does not start with one");
                }
                break;
            case kQuoted:
                if (c == '"') {
                    state = kAfterQuote;
                    if (fields == crossing) r.quote_closed = line_;
                } else {
                    field += c;
                }
                break;
            case kAfterQuote:
                if (c == '"') {
                    field += c;
                    state = kQuoted;
                } else if (c == ',') {
                    new_field();
                    state = kFieldStart;
                } else {
                    fail(r, state, "text after the closing quote of a field");
                }
                break;
            case kSkip:
                break;
        }
    }
    if (state == kQuoted) r.error = "a quoted field is not closed before the end of the file";
    r.fields.resize(fields);
    return true;
}

std::vector<CsvRow> read_csv(const std::string &text) {
    std::vector<CsvRow> records;
    CsvReader reader(csv_source(text));
    CsvRow r;
    while (reader.next(r)) records.push_back(r);
    return records;
}

std::string csv_field_exact(const std::string &field) {
    const auto edge = [](char c) { return c == ' ' || c == '\t'; };
    const bool quoted = field.find_first_of(",\"\r\n") != std::string::npos ||
                        (!field.empty() && (edge(field.front()) || edge(field.back())));
    if (!quoted) return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace qeltz
