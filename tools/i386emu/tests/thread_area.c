/* Mend 2: a segment that Wine gives each thread for its TEB keeps each thread's own base.
   Like Wine, the program asks set_thread_area for a new slot and uses it in every thread; when
   that is refused it falls back to an LDT entry per thread. After another thread has set its own
   base, the main thread reloads %fs and must still see its own data. */
#define _GNU_SOURCE
#include <asm/ldt.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

static int use_gdt;
static unsigned gdt_entry;
static int data_main = 1111, data_thread = 2222;

static unsigned short set_segment(int* base, unsigned ldt_index) {
    struct user_desc desc;
    memset(&desc, 0, sizeof desc);
    desc.base_addr = (unsigned)(unsigned long)base;
    desc.limit = 0xfff;
    desc.seg_32bit = 1;
    desc.useable = 1;
    if (use_gdt) {
        desc.entry_number = gdt_entry;
        syscall(SYS_set_thread_area, &desc);
        return (unsigned short)((gdt_entry << 3) | 3);
    }
    desc.entry_number = ldt_index;
    syscall(SYS_modify_ldt, 0x11, &desc, sizeof desc);
    return (unsigned short)((ldt_index << 3) | 7);
}

static int read_fs0(void) {
    int v;
    __asm__ volatile("movl %%fs:0,%0" : "=r"(v));
    return v;
}
static void load_fs(unsigned short sel) {
    __asm__ volatile("movw %0,%%fs" ::"r"(sel));
}
static unsigned short get_fs(void) {
    unsigned short sel;
    __asm__ volatile("movw %%fs,%0" : "=r"(sel));
    return sel;
}

static void* thread_main(void* unused) {
    (void)unused;
    load_fs(set_segment(&data_thread, 601));
    return (void*)(long)read_fs0();
}

int main(void) {
    struct user_desc desc;
    memset(&desc, 0, sizeof desc);
    desc.entry_number = (unsigned)-1;
    desc.seg_32bit = 1;
    desc.useable = 1;
    if (syscall(SYS_set_thread_area, &desc) == 0) {
        use_gdt = 1;
        gdt_entry = desc.entry_number;
    }
    load_fs(set_segment(&data_main, 600));
    pthread_t t;
    void* seen_by_thread;
    pthread_create(&t, NULL, thread_main, NULL);
    pthread_join(t, &seen_by_thread);
    load_fs(get_fs()); /* a reload, as at every signal return */
    int seen = read_fs0();
    printf("%s slot: main sees %d (its own: %d), the thread saw %ld\n", use_gdt ? "GDT" : "LDT", seen,
           data_main, (long)seen_by_thread);
    return seen == data_main && (long)seen_by_thread == data_thread ? 0 : 1;
}
