// SPDX-License-Identifier: MIT
// Included first in every C++ compile against uClibc-ng (cmake/uclibc.cmake).
// The compiler's libstdc++ headers are configured for glibc and bring C
// library functions into namespace std with `using ::name;`, which fails to
// compile for a function uClibc-ng 1.0.35 does not declare. Declaring it is
// enough for those headers; the library calls none of these, and a call
// would fail to link.
#ifndef QEL_UCLIBC_CXX_COMPAT_H
#define QEL_UCLIBC_CXX_COMPAT_H
#include <time.h>
extern "C" int timespec_get(struct timespec *, int);  // <ctime>, C++17
#endif
