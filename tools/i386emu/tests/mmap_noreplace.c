/* Mend 1: mmap with MAP_FIXED_NOREPLACE gives the range asked for or fails with EEXIST. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <sys/mman.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

int main(void) {
    const size_t size = 1 << 20;
    char* area = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return perror("mmap"), 2;
    /* Taken range: the kernel refuses. */
    void* taken = mmap(area, 65536, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (taken != MAP_FAILED || errno != EEXIST) {
        printf("mapping over a taken range gave %p (asked for %p), errno %d\n", taken, (void*)area, errno);
        return 1;
    }
    /* Free range: exactly the address asked for. */
    char* hole = area + size / 2;
    munmap(hole, 65536);
    void* got = mmap(hole, 65536, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got != hole) {
        printf("mapping a free range gave %p, asked for %p\n", got, (void*)hole);
        return 1;
    }
    puts("mmap: MAP_FIXED_NOREPLACE honoured");
    return 0;
}
