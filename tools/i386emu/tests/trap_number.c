/* Mend 4: the frames of fault signals carry the x86 trap number that Wine reads. */
#define _GNU_SOURCE
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <ucontext.h>

static sigjmp_buf back;
static volatile int trap;

static void on_fault(int sig, siginfo_t* info, void* context) {
    (void)sig, (void)info;
    trap = (int)((ucontext_t*)context)->uc_mcontext.gregs[REG_TRAPNO];
    siglongjmp(back, 1);
}

static int check(const char* what, int expected, void (*fault)(void)) {
    trap = -100;
    if (!sigsetjmp(back, 1)) fault();
    printf("%-24s trap %3d (expected %d)\n", what, trap, expected);
    return trap == expected;
}

static void read_null(void) {
    (void)*(volatile int*)0;
}
static void invalid_opcode(void) {
    __asm__ volatile("ud2");
}
static void breakpoint(void) {
    __asm__ volatile("int3");
}
static void divide_by_zero(void) {
    volatile int a = 1, b = 0;
    a = a / b;
}

int main(void) {
    struct sigaction act = {0};
    act.sa_sigaction = on_fault;
    act.sa_flags = SA_SIGINFO | SA_NODEFER;
    const int signals[] = {SIGSEGV, SIGILL, SIGTRAP, SIGFPE};
    for (unsigned i = 0; i < sizeof signals / sizeof *signals; i++)
        sigaction(signals[i], &act, NULL);
    int ok = check("page fault (SIGSEGV)", 14, read_null);
    ok &= check("invalid opcode (SIGILL)", 6, invalid_opcode);
    ok &= check("breakpoint (SIGTRAP)", 3, breakpoint);
    ok &= check("divide error (SIGFPE)", 0, divide_by_zero);
    /* The handler reported as installed is the program's own. */
    struct sigaction current;
    sigaction(SIGSEGV, NULL, &current);
    ok &= current.sa_sigaction == on_fault;
    return ok ? 0 : 1;
}
