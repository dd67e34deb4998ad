/* Mend 3: glibc's TLS stays each thread's own after a signal reloads %gs. */
#define _GNU_SOURCE
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <stdio.h>

static __thread int value;
static sem_t ready, done;

static void on_signal(int sig) {
    (void)sig;
}

static void* thread_main(void* unused) {
    (void)unused;
    value = 2;
    sem_post(&ready);
    sem_wait(&done);
    raise(SIGUSR1);
    return (void*)(long)value;
}

int main(void) {
    signal(SIGUSR1, on_signal);
    sem_init(&ready, 0, 0);
    sem_init(&done, 0, 0);
    value = 1;
    pthread_t t;
    pthread_create(&t, NULL, thread_main, NULL);
    sem_wait(&ready);
    raise(SIGUSR1); /* the handler's return reloads %gs */
    int main_sees = value;
    sem_post(&done);
    void* thread_sees;
    pthread_join(t, &thread_sees);
    raise(SIGUSR1);
    printf("after signals: main sees %d (own 1, then %d), the thread saw %ld (own 2)\n", main_sees, value,
           (long)thread_sees);
    return main_sees == 1 && value == 1 && (long)thread_sees == 2 ? 0 : 1;
}
