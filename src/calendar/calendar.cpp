// SPDX-License-Identifier: MIT
// Calendar conversion in the process's local timezone and the fixed text
// form "%Y-%m-%d %H:%M:%S", over the C library's re-entrant calls.
#include <cstring>
#include <ctime>

#include "platform/platform_time.hpp"
#include "qel_time.h"

namespace {

constexpr const char *kTextForm = "%Y-%m-%d %H:%M:%S";
constexpr size_t kMaxTextRead = 19;
constexpr size_t kReadScratch = 32;

}  // namespace

extern "C" {

int32_t qel_get_time_diff(int64_t *diff) {
    if (diff == nullptr) return QEL_EINVAL;
    const time_t now = time(nullptr);
    if (now < 0) return QEL_ESYSTEM;
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr) return QEL_ESYSTEM;
    *diff = qel::widen(local.tm_gmtoff);
    return QEL_OK;
}

int32_t qel_tm_to_time(struct tm *tm, int64_t *t) {
    if (tm == nullptr || t == nullptr) return QEL_EINVAL;
    const time_t value = mktime(tm);
    if (value < 0) return QEL_ESYSTEM;
    *t = qel::widen(value);
    return QEL_OK;
}

int32_t qel_time_to_tm(const int64_t *t, struct tm *tm) {
    if (t == nullptr || tm == nullptr) return QEL_EINVAL;
    const time_t value = qel::to_platform(*t);
    struct tm scratch {};
    if (localtime_r(&value, &scratch) == nullptr) return QEL_ESYSTEM;
    qel::copy_fresh_tm(tm, scratch);
    return QEL_OK;
}

int32_t qel_timetm_to_str(const struct tm *tm, char *buf, uint32_t size) {
    if (tm == nullptr || buf == nullptr || size < QEL_STR_SIZE) return QEL_EINVAL;
    return strftime(buf, size, kTextForm, tm) == 0 ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_time_to_str(const int64_t *t, char *buf, uint32_t size) {
    if (t == nullptr || buf == nullptr || size < QEL_STR_SIZE) return QEL_EINVAL;
    struct tm local {};
    if (qel_time_to_tm(t, &local) < 0) return QEL_ENESTED;
    return qel_timetm_to_str(&local, buf, size) < 0 ? QEL_ENESTED : QEL_OK;
}

int32_t qel_str_to_timetm(const char *str, struct tm *tm) {
    if (str == nullptr || tm == nullptr) return QEL_EINVAL;
    // Only the first 19 characters are read. A text that ends within them is
    // read where it stands; a longer one is cut into a zero-filled copy.
    char scratch[kReadScratch] = {};
    const char *text = str;
    if (strnlen(str, kMaxTextRead + 1) > kMaxTextRead) {
        std::memcpy(scratch, str, kMaxTextRead);
        text = scratch;
    }
    return strptime(text, kTextForm, tm) == nullptr ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_str_to_time(const char *str, int64_t *t) {
    if (str == nullptr || t == nullptr) return QEL_EINVAL;
    struct tm local {};
    if (qel_str_to_timetm(str, &local) < 0) return QEL_ENESTED;
    local.tm_isdst = -1;  // let mktime decide whether daylight time applies
    return qel_tm_to_time(&local, t) < 0 ? QEL_ENESTED : QEL_OK;
}

}  // extern "C"
