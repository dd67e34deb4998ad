/* Mend 5: the Wine server's way of reading and writing another process's memory: attach, wait for
   the stop, peek or read /proc/PID/mem, poke, detach. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

static volatile long shared_word = 0x5eed1234;

int main(void) {
    int ready[2];
    if (pipe(ready) != 0) return 2;
    pid_t child = fork();
    if (child == 0) { /* the client: waits, then reports the word as it finds it */
        char c;
        if (read(ready[0], &c, 1) != 1) _exit(3);
        _exit(shared_word == 0x600df00d ? 0 : 4);
    }
    int ok = 1;
    if (ptrace(PTRACE_ATTACH, child, 0, 0) != 0) {
        perror("PTRACE_ATTACH");
        ok = 0;
    } else {
        int status = 0;
        ok &= waitpid(child, &status, WUNTRACED | __WALL) == child && WIFSTOPPED(status) &&
              WSTOPSIG(status) == SIGSTOP;
        long peeked = ptrace(PTRACE_PEEKDATA, child, (void*)&shared_word, 0);
        ok &= peeked == 0x5eed1234;
        char path[32];
        long read_word = 0;
        snprintf(path, sizeof path, "/proc/%d/mem", (int)child);
        int fd = open(path, O_RDONLY);
        ok &=
            fd >= 0 &&
            pread(fd, &read_word, sizeof read_word, (off_t)(unsigned long)&shared_word) == sizeof read_word &&
            read_word == 0x5eed1234;
        if (fd >= 0) close(fd);
        ok &= ptrace(PTRACE_POKEDATA, child, (void*)&shared_word, (void*)0x600df00dL) == 0;
        ok &= ptrace(PTRACE_DETACH, child, 0, 0) == 0;
        printf("attach, peek %#lx, read %#lx, poke\n", peeked, read_word);
    }
    if (write(ready[1], "x", 1) != 1) return 2;
    int status = 0;
    waitpid(child, &status, 0);
    ok &= WIFEXITED(status) && WEXITSTATUS(status) == 0;
    printf("the client %s the poked word\n",
           WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "saw" : "did not see");
    return ok ? 0 : 1;
}
