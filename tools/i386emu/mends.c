/* Mends that let 32-bit Wine run under qemu's user-mode emulation (qemu-i386, as in Debian 12).
 *
 * Loaded with LD_PRELOAD into every process of a Wine session on a machine whose kernel runs no
 * 32-bit code. Built twice: for i386, where the mends live, and for x86_64 as an empty twin, so that
 * one LD_PRELOAD path with "$LIB" in it serves 64-bit programs of the session as well.
 *
 * qemu 7.2 differs from the kernel in four ways that Wine meets, each mended here from inside the
 * emulated process:
 *  1. mmap with MAP_FIXED_NOREPLACE is taken as a hint and may return another range; Wine then walks
 *     the address space in 64 KB steps and never finishes starting. We map without the flag and fail
 *     with EEXIST, as the kernel does, when the range we get is not the one asked for.
 *  2. One GDT serves all threads, so a thread-local GDT slot handed out by set_thread_area is shared:
 *     Wine's %fs (the TEB) of every thread ends up pointing at the newest thread's TEB. We refuse the
 *     request for a new slot (entry -1) with ENOSYS; Wine then gives each thread an LDT entry.
 *  3. glibc's own %gs slot lives in that shared GDT too, so any reload of %gs (signal delivery and
 *     sigreturn reload it) gives a thread the TLS of the thread created last. Each thread's %gs is
 *     moved to an LDT entry of its own at start-up; while glibc creates a thread it gets the GDT
 *     selector back, because it derives the new thread's TLS slot from %gs.
 *  4. Signal frames carry no trap number (qemu writes -1); Wine reads the trap number to tell a page
 *     fault from an illegal instruction. The handlers Wine installs for the fault signals are
 *     wrapped and the trap number filled in from the signal and its code.
 *  5. ptrace is not emulated at all, and the Wine server reads and writes a client's memory
 *     (ReadProcessMemory, WriteProcessMemory, Toolhelp snapshots) only after PTRACE_ATTACH. Where
 *     the call fails with ENOSYS, attaching and detaching succeed without stopping the thread (the
 *     server only reads /proc/PID/mem meanwhile, as Windows reads a running process), the wait for
 *     the attach stop reports it, and word peeks and pokes go through /proc/PID/mem.
 * Each mend has a test program in tests/ that fails under plain qemu and passes with this library.
 */
#define _GNU_SOURCE
#if defined(__i386__)
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

/* A raw system call with up to three arguments: the mends must not go through the wrappers they
   replace, and must work before dlsym has been asked for anything. */
static long raw_syscall3(long number, long a, long b, long c) {
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "0"(number), "b"(a), "c"(b), "d"(c) : "memory");
    return result;
}

static void* next_symbol(const char* name) {
    void* p = dlsym(RTLD_NEXT, name);
    if (!p) abort(); /* libc without the symbol: nothing sensible can run */
    return p;
}

/* ---- 1. mmap with MAP_FIXED_NOREPLACE ------------------------------------------------------ */

typedef void* (*mmap_fn)(void*, size_t, int, int, int, off_t);
typedef void* (*mmap64_fn)(void*, size_t, int, int, int, off64_t);

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
    static mmap64_fn next;
    if (!next) next = (mmap64_fn)next_symbol("mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE)) return next(addr, length, prot, flags, fd, offset);
    void* got = next(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (got == MAP_FAILED || got == addr) return got;
    munmap(got, length);
    errno = EEXIST;
    return MAP_FAILED;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    return mmap64(addr, length, prot, flags, fd, (off64_t)offset);
}

/* ---- 2. set_thread_area asking for a new GDT slot ------------------------------------------ */

typedef long (*syscall_fn)(long, ...);

long syscall(long number, ...) {
    static syscall_fn next;
    if (!next) next = (syscall_fn)next_symbol("syscall");
    long a[6];
    va_list args;
    va_start(args, number);
    for (int i = 0; i < 6; i++)
        a[i] = va_arg(args, long);
    va_end(args);
    if (number == SYS_set_thread_area && a[0]) {
        const struct user_desc* desc = (const struct user_desc*)a[0];
        if (desc->entry_number == (unsigned)-1) {
            errno = ENOSYS;
            return -1;
        }
    }
    return next(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

/* ---- 3. glibc's %gs in a private LDT entry per thread --------------------------------------- */

/* Wine leaves LDT entries below 512 alone once it sees %gs in the LDT (it starts its own there),
   and entry 0 stays unused. A slot belongs to the kernel thread id that took it; slots whose thread
   has gone are taken back only when no free one is left. */
enum { FIRST_SLOT = 1, SLOT_COUNT = 512 };
static volatile pid_t slot_owner[SLOT_COUNT];
static unsigned short gdt_gs; /* glibc's selector, kept for thread creation */
static __thread int own_slot;

static unsigned short get_gs(void) {
    unsigned short sel;
    __asm__ volatile("movw %%gs,%0" : "=r"(sel));
    return sel;
}
static void set_gs(unsigned short sel) {
    __asm__ volatile("movw %0,%%gs" ::"r"(sel) : "memory");
}
static uintptr_t tls_base(void) {
    uintptr_t self;
    __asm__ volatile("movl %%gs:0,%0" : "=r"(self)); /* glibc's TCB starts with a pointer to itself */
    return self;
}
static pid_t thread_id(void) {
    return (pid_t)raw_syscall3(SYS_gettid, 0, 0, 0);
}

static int claim_slot(pid_t tid) {
    for (int pass = 0; pass < 2; pass++)
        for (int i = FIRST_SLOT; i < SLOT_COUNT; i++) {
            pid_t owner = slot_owner[i];
            if (owner != 0) {
                if (pass == 0) continue;
                if (raw_syscall3(SYS_tgkill, getpid(), owner, 0) != -ESRCH) continue;
            }
            if (__sync_bool_compare_and_swap(&slot_owner[i], owner, tid)) return i;
        }
    return -1;
}

/* A data descriptor as glibc makes for its TLS: 4 GB limit in pages, 32-bit, usable. */
static void fill_tls_descriptor(struct user_desc* desc, unsigned entry, uintptr_t base) {
    memset(desc, 0, sizeof *desc);
    desc->entry_number = entry;
    desc->base_addr = (unsigned)base;
    desc->limit = 0xfffff;
    desc->seg_32bit = 1;
    desc->limit_in_pages = 1;
    desc->useable = 1;
}

static void move_gs_to_ldt(void) {
    pid_t tid = thread_id();
    int slot = claim_slot(tid);
    if (slot < 0) return; /* out of slots: this thread keeps the shared selector */
    struct user_desc desc;
    fill_tls_descriptor(&desc, (unsigned)slot, tls_base());
    if (raw_syscall3(SYS_modify_ldt, 0x11, (long)&desc, sizeof desc) != 0) {
        slot_owner[slot] = 0;
        return;
    }
    set_gs((unsigned short)((slot << 3) | 7));
    own_slot = slot;
}

static void after_fork_in_child(void) {
    if (own_slot) slot_owner[own_slot] = thread_id();
}

typedef int (*pthread_create_fn)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
static pthread_mutex_t create_lock = PTHREAD_MUTEX_INITIALIZER;

struct thread_start {
    void* (*routine)(void*);
    void* arg;
    sigset_t mask;
};

static void* start_in_own_slot(void* p) {
    struct thread_start start = *(struct thread_start*)p;
    free(p);
    move_gs_to_ldt(); /* signals are still blocked here, so no reload of %gs can come first */
    pthread_sigmask(SIG_SETMASK, &start.mask, NULL);
    return start.routine(start.arg);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*), void* arg) {
    static pthread_create_fn next;
    if (!next) next = (pthread_create_fn)next_symbol("pthread_create");
    unsigned short own = get_gs();
    if (own == gdt_gs) return next(thread, attr, routine, arg); /* this thread was never moved */

    struct thread_start* start = malloc(sizeof *start);
    if (!start) return EAGAIN;
    start->routine = routine;
    start->arg = arg;
    sigset_t all, saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);
    start->mask = saved;

    pthread_mutex_lock(&create_lock);
    /* Point the shared slot at this thread's TLS and hand glibc its selector for the call. */
    struct user_desc desc;
    fill_tls_descriptor(&desc, gdt_gs >> 3, tls_base());
    raw_syscall3(SYS_set_thread_area, (long)&desc, 0, 0);
    set_gs(gdt_gs);
    int result = next(thread, attr, start_in_own_slot, start);
    set_gs(own);
    pthread_mutex_unlock(&create_lock);

    if (result != 0) free(start);
    pthread_sigmask(SIG_SETMASK, &saved, NULL);
    return result;
}

/* ---- 4. trap numbers in the frames of fault signals ----------------------------------------- */

typedef int (*sigaction_fn)(int, const struct sigaction*, struct sigaction*);
typedef void (*siginfo_handler)(int, siginfo_t*, void*);
static siginfo_handler wrapped[_NSIG];

/* x86 exception vectors, as the kernel reports them in the frame's trapno. */
enum {
    TRAP_DIVIDE = 0,
    TRAP_DEBUG = 1,
    TRAP_BREAKPOINT = 3,
    TRAP_OVERFLOW = 4,
    TRAP_INVALID_OP = 6,
    TRAP_GENERAL_PROTECTION = 13,
    TRAP_PAGE_FAULT = 14,
    TRAP_X87 = 16,
    TRAP_ALIGNMENT = 17
};

static int trap_for(int sig, int code) {
    switch (sig) {
    case SIGSEGV:
        return code == SI_KERNEL ? TRAP_GENERAL_PROTECTION : TRAP_PAGE_FAULT;
    case SIGBUS:
        return code == BUS_ADRALN ? TRAP_ALIGNMENT : TRAP_PAGE_FAULT;
    case SIGILL:
        return TRAP_INVALID_OP;
    case SIGFPE:
        return code == FPE_INTDIV ? TRAP_DIVIDE : code == FPE_INTOVF ? TRAP_OVERFLOW : TRAP_X87;
    case SIGTRAP:
        return code == TRAP_TRACE ? TRAP_DEBUG : TRAP_BREAKPOINT;
    }
    return -1;
}

static int is_fault_signal(int sig) {
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

/* Runs before the wrapped handler, on whatever %gs the fault left: no TLS here. */
static void fill_trap_number(int sig, siginfo_t* info, void* context) {
    greg_t* regs = ((ucontext_t*)context)->uc_mcontext.gregs;
    if (regs[REG_TRAPNO] < 0 || regs[REG_TRAPNO] > 31) regs[REG_TRAPNO] = trap_for(sig, info->si_code);
    wrapped[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction* act, struct sigaction* old) {
    static sigaction_fn next;
    if (!next) next = (sigaction_fn)next_symbol("sigaction");
    siginfo_handler before = sig > 0 && sig < _NSIG ? wrapped[sig] : NULL;
    int result;
    if (act && is_fault_signal(sig) && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction) {
        struct sigaction ours = *act;
        ours.sa_sigaction = fill_trap_number;
        wrapped[sig] = act->sa_sigaction;
        result = next(sig, &ours, old);
        if (result != 0) wrapped[sig] = before;
    } else {
        result = next(sig, act, old);
        if (result == 0 && act && sig > 0 && sig < _NSIG) wrapped[sig] = NULL;
    }
    if (result == 0 && old && old->sa_sigaction == fill_trap_number) old->sa_sigaction = before;
    return result;
}

/* ---- 5. ptrace attach, peek and poke, and /proc/PID/mem, for the Wine server -------------- */

/* Where another emulated process's guest addresses lie in the host's view of it, which is what
   /proc/PID/mem reads: qemu reserves the guest's whole address space as one block, so the lowest
   host mapping of the process is guest address 0 (qemu's guest base, a page or so). A process
   whose lowest mapping is higher is not emulated and its addresses are its own. */
static uintptr_t guest_base_of(pid_t pid) {
    char path[40], line[64];
    snprintf(path, sizeof path, "/proc/%d/maps", (int)pid);
    int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    ssize_t got = read(fd, line, sizeof line - 1);
    close(fd);
    if (got <= 0) return 0;
    line[got] = 0;
    uintptr_t start = (uintptr_t)strtoul(line, NULL, 16);
    return start < 0x100000 ? start : 0;
}

/* The /proc/PID/mem files this process has open, with the offset their guest addresses need. */
enum { TRACKED_FDS = 1024 };
static uintptr_t mem_fd_base[TRACKED_FDS];
static unsigned char mem_fd_open[TRACKED_FDS];

static void track_open(int fd, const char* path) {
    if (fd < 0 || fd >= TRACKED_FDS) return;
    int pid = 0, end = 0;
    mem_fd_open[fd] = strncmp(path, "/proc/", 6) == 0 && sscanf(path, "/proc/%d/mem%n", &pid, &end) == 1 &&
                      end && path[end] == 0 && pid > 0;
    mem_fd_base[fd] = mem_fd_open[fd] ? guest_base_of(pid) : 0;
}

static off64_t host_offset(int fd, off64_t offset) {
    return fd >= 0 && fd < TRACKED_FDS && mem_fd_open[fd] ? offset + (off64_t)mem_fd_base[fd] : offset;
}

typedef int (*open_fn)(const char*, int, ...);
typedef int (*close_fn)(int);
typedef ssize_t (*pread64_fn)(int, void*, size_t, off64_t);
typedef ssize_t (*pwrite64_fn)(int, const void*, size_t, off64_t);

static int open_tracked(const char* name, const char* path, int flags, va_list args) {
    open_fn next = (open_fn)next_symbol(name);
    mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
    int fd = next(path, flags, mode);
    track_open(fd, path);
    return fd;
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    int fd = open_tracked("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    int fd = open_tracked("open64", path, flags, args);
    va_end(args);
    return fd;
}

int close(int fd) {
    static close_fn next;
    if (!next) next = (close_fn)next_symbol("close");
    if (fd >= 0 && fd < TRACKED_FDS) mem_fd_open[fd] = 0;
    return next(fd);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    static pread64_fn next;
    if (!next) next = (pread64_fn)next_symbol("pread64");
    return next(fd, buffer, count, host_offset(fd, offset));
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset) {
    static pwrite64_fn next;
    if (!next) next = (pwrite64_fn)next_symbol("pwrite64");
    return next(fd, buffer, count, host_offset(fd, offset));
}

/* 32-bit offsets: an address of 2 GB or more arrives negative. */
ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return pread64(fd, buffer, count, (off64_t)(uint32_t)offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return pwrite64(fd, buffer, count, (off64_t)(uint32_t)offset);
}

typedef long (*ptrace_fn)(enum __ptrace_request, ...);
typedef pid_t (*wait4_fn)(pid_t, int*, int, struct rusage*);

/* The threads this process believes it has attached, and whether the stop is still to report.
   The server attaches one thread at a time; a few slots leave room. */
enum { ATTACH_SLOTS = 16 };
static struct {
    pid_t tid;
    int stop_pending;
} attached[ATTACH_SLOTS];
static pthread_mutex_t attach_lock = PTHREAD_MUTEX_INITIALIZER;

static int find_attached(pid_t tid) {
    for (int i = 0; i < ATTACH_SLOTS; i++)
        if (attached[i].tid == tid) return i;
    return -1;
}

static int memory_word(pid_t tid, uintptr_t address, long* word, int write) {
    char path[32];
    snprintf(path, sizeof path, "/proc/%d/mem", (int)tid);
    int fd = open(path, write ? O_WRONLY : O_RDONLY);
    if (fd < 0) return -1;
    ssize_t done = write ? pwrite64(fd, word, sizeof *word, (off64_t)address)
                         : pread64(fd, word, sizeof *word, (off64_t)address);
    close(fd);
    if (done == (ssize_t)sizeof *word) return 0;
    errno = EIO;
    return -1;
}

long ptrace(enum __ptrace_request request, ...) {
    static ptrace_fn next;
    if (!next) next = (ptrace_fn)next_symbol("ptrace");
    va_list args;
    va_start(args, request);
    pid_t tid = va_arg(args, pid_t);
    void* address = va_arg(args, void*);
    void* data = va_arg(args, void*);
    va_end(args);
    long result = next(request, tid, address, data);
    if (result != -1 || errno != ENOSYS) return result;

    long word = 0;
    int error = ENOSYS;
    pthread_mutex_lock(&attach_lock);
    int slot = find_attached(tid);
    switch (request) {
    case PTRACE_ATTACH:
        if (slot < 0) slot = find_attached(0);
        if (slot < 0) {
            error = EPERM;
            break;
        }
        attached[slot].tid = tid;
        attached[slot].stop_pending = 1;
        result = 0;
        break;
    case PTRACE_DETACH:
        if (slot < 0) {
            error = ESRCH;
            break;
        }
        attached[slot].tid = 0;
        result = 0;
        break;
    case PTRACE_PEEKDATA:
    case PTRACE_PEEKTEXT:
    case PTRACE_POKEDATA:
    case PTRACE_POKETEXT:
        if (slot < 0) {
            error = ESRCH;
            break;
        }
        word = (long)data;
        if (memory_word(tid, (uintptr_t)address, &word, request >= PTRACE_POKETEXT) != 0) {
            error = EIO;
            break;
        }
        result = request >= PTRACE_POKETEXT ? 0 : word;
        error = 0; /* a peeked word may be -1: callers look at errno */
        break;
    default:
        break;
    }
    pthread_mutex_unlock(&attach_lock);
    errno = error;
    return result;
}

pid_t wait4(pid_t pid, int* status, int options, struct rusage* usage) {
    static wait4_fn next;
    if (!next) next = (wait4_fn)next_symbol("wait4");
    if (pid > 0) {
        pthread_mutex_lock(&attach_lock);
        int slot = find_attached(pid);
        int report = slot >= 0 && attached[slot].stop_pending;
        if (report) attached[slot].stop_pending = 0;
        pthread_mutex_unlock(&attach_lock);
        if (report) {
            if (status) *status = (SIGSTOP << 8) | 0x7f; /* stopped by SIGSTOP */
            if (usage) memset(usage, 0, sizeof *usage);
            return pid;
        }
    }
    return next(pid, status, options, usage);
}

pid_t waitpid(pid_t pid, int* status, int options) {
    return wait4(pid, status, options, NULL);
}

__attribute__((constructor)) static void start_mends(void) {
    gdt_gs = get_gs();
    pthread_atfork(NULL, NULL, after_fork_in_child);
    move_gs_to_ldt();
}
#endif
