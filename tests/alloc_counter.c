/* Counts the heap calls of the process while armed, by standing in for
 * malloc, calloc, realloc and free and handing each call on to the C
 * library's own allocator. */
#include <stddef.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t n, size_t size);
extern void *__libc_realloc(void *p, size_t size);
extern void __libc_free(void *p);

int alloc_counting;
long alloc_calls;

void *malloc(size_t size) {
    if (alloc_counting) alloc_calls++;
    return __libc_malloc(size);
}

void *calloc(size_t n, size_t size) {
    if (alloc_counting) alloc_calls++;
    return __libc_calloc(n, size);
}

void *realloc(void *p, size_t size) {
    if (alloc_counting) alloc_calls++;
    return __libc_realloc(p, size);
}

void free(void *p) {
    if (alloc_counting && p != NULL) alloc_calls++;
    __libc_free(p);
}
