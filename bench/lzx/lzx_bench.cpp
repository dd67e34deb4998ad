// LZX benchmark: decodes the whole compressed section of a large real CHM with our decoder and with
// libmspack's in the same run, checks both give the same bytes, and prints MB/s, the median ratio
// and our peak memory; chmlib and `7zz t` figures are printed beside them, and the ratio of our
// whole-section decode to `7zz t` two ways: into one block of the section's size (what the
// container's sequential fallback keeps), and through one reused buffer, as `7zz t` decodes
// (it keeps no output: the kernel's cost of providing a fresh 177 MB block is not in its figure).
//
// Usage: lzx_bench [file.chm] [runs]   (default: build/bench-data/lcl.chm from get-lcl-chm.sh, 5 runs)
#include "../clock.h"
#include "chm/container.h"
#include "chm/lebytes.h"
#include "chm/lzx.h"

#include <chm_lib.h>
#include <mspack.h>

#include <algorithm>
#include <chrono>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char kSection[] = "MSCompressed";
const char kContent[] = "::DataSpace/Storage/MSCompressed/Content";
const char kControl[] = "::DataSpace/Storage/MSCompressed/ControlData";
const char kResetTable[] = "::DataSpace/Storage/MSCompressed/Transform/"
                           "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

struct Timer {
    double wall0 = Now(), cpu0 = CpuNow();
    double wall = 0, cpu = 0;
    void Stop() {
        wall = Now() - wall0;
        cpu = CpuNow() - cpu0;
    }
};

std::vector<unsigned char> ReadWholeFile(const char* path) {
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path, "rb");
    if (!f) return bytes;
    unsigned char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return bytes;
}

struct Section {
    std::vector<unsigned char> content;
    int windowBits = 0;
    uint32_t uncompressed = 0;
    uint32_t compressed = 0;
    struct Object {
        uint32_t offset, length;
    };
    std::vector<Object> objects; // section 1 objects in offset order
};

bool ReadObjectBytes(ChmContainer* c, const char* name, std::vector<unsigned char>& out) {
    unsigned char* data;
    uint32_t length;
    if (ReadObject(c, name, &data, &length) != 0) return false;
    out.assign(data, data + length);
    FreeObject(data);
    return true;
}

bool LoadSection(const char* path, Section& s) {
    ChmContainer* c = OpenContainer(path);
    if (!c) return false;
    std::vector<unsigned char> control, reset;
    bool ok = ReadObjectBytes(c, kContent, s.content) && ReadObjectBytes(c, kControl, control) &&
              ReadObjectBytes(c, kResetTable, reset) && control.size() >= 20 && reset.size() >= 32 &&
              memcmp(control.data() + 4, "LZXC", 4) == 0;
    if (ok) {
        uint32_t units = ReadLe32(control.data() + 16);
        for (int bits = 15; bits <= 21; bits++)
            if (units == 1u << (bits - 15)) s.windowBits = bits;
        s.uncompressed = ReadLe32(reset.data() + 16);
        s.compressed = ReadLe32(reset.data() + 24);
        ok = s.windowBits != 0 && s.compressed <= s.content.size();
        uint32_t compressedIndex = 0xFFFFFFFF;
        for (uint32_t i = 0; i < c->SectionCount; i++)
            if (strcmp(c->Sections[i].Name, kSection) == 0) compressedIndex = i;
        for (uint32_t i = 0; i < c->DirectoryCount; i++) {
            const DirectoryRecord& r = c->Directory[i];
            if (r.Section == compressedIndex && r.Length > 0) s.objects.push_back({r.Offset, r.Length});
        }
        std::sort(s.objects.begin(), s.objects.end(),
                  [](const Section::Object& a, const Section::Object& b) { return a.offset < b.offset; });
    }
    CloseContainer(c);
    return ok;
}

using Objects = std::vector<Section::Object>;

// Hash of the given objects' bytes, in offset order: what two decoders must agree on.
uint64_t ObjectsHash(const Section& s, const Objects& objects, const unsigned char* section) {
    uint64_t h = kFnvStart;
    for (const Section::Object& o : objects)
        if (o.offset <= s.uncompressed && o.length <= s.uncompressed - o.offset)
            h = Fnv(h, section + o.offset, o.length);
    return h;
}

// ---- ours ----

LzxState g_state; // kept between runs, as a container keeps its own

int DecodeOurs(const Section& s, unsigned char** out) {
    *out = (unsigned char*)malloc(s.uncompressed);
    if (!*out) return -1;
    int rc = LzxInit(&g_state, s.windowBits);
    if (rc == LZX_OK) rc = LzxDecompress(&g_state, s.content.data(), *out, s.compressed, s.uncompressed);
    return rc;
}

// The same decode in calls of 1 MB into one reused buffer; *hash is of the bytes in order.
int StreamOurs(const Section& s, uint64_t* hash) {
    static std::vector<unsigned char> buffer(1 << 20);
    int rc = LzxInit(&g_state, s.windowBits);
    uint32_t used = 0;
    uint64_t h = kFnvStart;
    for (uint32_t done = 0; rc == LZX_OK && done < s.uncompressed;) {
        uint32_t n = std::min<uint32_t>((uint32_t)buffer.size(), s.uncompressed - done);
        rc = LzxDecompress(&g_state, s.content.data() + used, buffer.data(), s.compressed - used, n);
        used += g_state.inputUsed;
        // A cheap check of every byte, as `7zz t` checks its CRCs.
        uint64_t sum = 0;
        for (uint32_t i = 0; i + 8 <= n; i += 8) {
            uint64_t w;
            memcpy(&w, buffer.data() + i, 8);
            sum += w;
        }
        h = (h ^ sum) * 0x100000001b3ull;
        done += n;
    }
    *hash = h;
    return rc;
}

// The hash StreamOurs gives, over a decoded block.
uint64_t BlockHash(const unsigned char* data, uint32_t length) {
    uint64_t h = kFnvStart;
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min<uint32_t>(1u << 20, length - done);
        uint64_t sum = 0;
        for (uint32_t i = 0; i + 8 <= n; i += 8) {
            uint64_t w;
            memcpy(&w, data + done + i, 8);
            sum += w;
        }
        h = (h ^ sum) * 0x100000001b3ull;
        done += n;
    }
    return h;
}

// ---- libmspack over memory: the patched file in, a section-sized block out ----

struct MemFile {
    const std::vector<unsigned char>* in; // reading
    size_t pos;
    unsigned char* out; // writing: the object lands at its section offset
    size_t outPos, outEnd;
};

struct MemSystem {
    mspack_system sys;
    const std::vector<unsigned char>* file;
    unsigned char* sink;
    uint32_t sinkLength;
    uint32_t nextOffset, nextLength; // where the next extracted object goes
};

mspack_file* MemOpen(mspack_system* self, const char* name, int mode) {
    MemSystem* m = (MemSystem*)self;
    MemFile* f = new MemFile();
    if (mode == MSPACK_SYS_OPEN_READ) {
        f->in = m->file;
    } else {
        f->out = m->sink;
        f->outPos = m->nextOffset;
        f->outEnd = (size_t)m->nextOffset + m->nextLength;
    }
    return (mspack_file*)f;
}
void MemClose(mspack_file* f) {
    delete (MemFile*)f;
}
int MemRead(mspack_file* file, void* buffer, int bytes) {
    MemFile* f = (MemFile*)file;
    if (!f->in || bytes < 0) return -1;
    size_t n = std::min((size_t)bytes, f->in->size() - std::min(f->pos, f->in->size()));
    memcpy(buffer, f->in->data() + f->pos, n);
    f->pos += n;
    return (int)n;
}
int MemWrite(mspack_file* file, void* buffer, int bytes) {
    MemFile* f = (MemFile*)file;
    if (!f->out || bytes < 0 || (size_t)bytes > f->outEnd - f->outPos) return -1;
    memcpy(f->out + f->outPos, buffer, bytes);
    f->outPos += bytes;
    return bytes;
}
int MemSeek(mspack_file* file, off_t offset, int mode) {
    MemFile* f = (MemFile*)file;
    if (!f->in) return -1;
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? (off_t)f->pos
                                               : (off_t)f->in->size();
    if (base + offset < 0 || (size_t)(base + offset) > f->in->size()) return -1;
    f->pos = (size_t)(base + offset);
    return 0;
}
off_t MemTell(mspack_file* file) {
    return (off_t)((MemFile*)file)->pos;
}
void MemMessage(mspack_file*, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    fputs("libmspack: ", stderr);
    vfprintf(stderr, format, ap);
    fputc('\n', stderr);
    va_end(ap);
}
void* MemAlloc(mspack_system*, size_t bytes) {
    return malloc(bytes);
}
void MemFree(void* p) {
    free(p);
}
void MemCopy(void* src, void* dest, size_t bytes) {
    memcpy(dest, src, bytes);
}

// Extracts every section-1 object in offset order, so that the section is decoded once.
int DecodeMspack(const Section& s, const std::vector<unsigned char>& patched, unsigned char** out,
                 Objects& done) {
    MemSystem m;
    m.sys = {MemOpen,    MemClose, MemRead, MemWrite, MemSeek, MemTell,
             MemMessage, MemAlloc, MemFree, MemCopy,  nullptr};
    m.file = &patched;
    m.sink = *out = (unsigned char*)malloc(s.uncompressed);
    m.sinkLength = s.uncompressed;
    if (!m.sink) return -1;
    mschm_decompressor* d = mspack_create_chm_decompressor(&m.sys);
    if (!d) return -1;
    mschmd_header* h = d->open(d, "lcl.chm");
    if (!h) {
        fprintf(stderr, "libmspack: open failed (%d)\n", d->last_error(d));
        mspack_destroy_chm_decompressor(d);
        return -1;
    }
    std::vector<mschmd_file*> files;
    for (mschmd_file* f = h->files; f; f = f->next)
        if (f->section->id == 1 && f->length > 0) files.push_back(f);
    std::sort(files.begin(), files.end(),
              [](mschmd_file* a, mschmd_file* b) { return a->offset < b->offset; });
    int rc = 0;
    for (mschmd_file* f : files) {
        if (f->offset < 0 || f->length < 0 || f->offset + f->length > (off_t)s.uncompressed) continue;
        m.nextOffset = (uint32_t)f->offset;
        m.nextLength = (uint32_t)f->length;
        if ((rc = d->extract(d, f, "object")) != MSPACK_ERR_OK) {
            fprintf(stderr, "libmspack: extract %s failed (%d)\n", f->filename, rc);
            break;
        }
        done.push_back({m.nextOffset, m.nextLength});
    }
    d->close(d, h);
    mspack_destroy_chm_decompressor(d);
    return rc;
}

// ---- chmlib ----

struct ChmlibObjects {
    std::vector<chmUnitInfo> units;
};

int CollectUnit(chmFile*, chmUnitInfo* ui, void* context) {
    if (ui->space == CHM_COMPRESSED && ui->length > 0) ((ChmlibObjects*)context)->units.push_back(*ui);
    return CHM_ENUMERATOR_CONTINUE;
}

int DecodeChmlib(const char* path, const Section& s, unsigned char** out, Objects& done) {
    *out = (unsigned char*)malloc(s.uncompressed);
    chmFile* h = chm_open(path);
    if (!h || !*out) return -1;
    ChmlibObjects objects;
    chm_enumerate(h, CHM_ENUMERATE_ALL, CollectUnit, &objects);
    std::sort(objects.units.begin(), objects.units.end(),
              [](const chmUnitInfo& a, const chmUnitInfo& b) { return a.start < b.start; });
    int rc = 0;
    for (chmUnitInfo& ui : objects.units) {
        if (ui.start + ui.length > s.uncompressed) continue;
        if (chm_retrieve_object(h, &ui, *out + ui.start, 0, (LONGINT64)ui.length) != (LONGINT64)ui.length)
            rc = -1;
        done.push_back({(uint32_t)ui.start, (uint32_t)ui.length});
    }
    chm_close(h);
    return rc;
}

// ---- child processes ----

long PeakKilobytes() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs a command; its wall time and CPU time (all threads) in seconds, false on failure.
bool TimeCommand(const std::vector<std::string>& args, double& wall, double& cpu) {
    fflush(stdout);
    double t0 = Now();
    pid_t pid = fork();
    if (pid == 0) {
        FILE* null = freopen("/dev/null", "w", stdout);
        (void)null;
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage u;
    if (pid < 0 || wait4(pid, &status, 0, &u) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    wall = Now() - t0;
    cpu = UsedCpu(u.ru_utime, u.ru_stime);
    return true;
}

long CurrentKilobytes() {
    long pages = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (f && fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    if (f) fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Child mode: our whole path (container open, the three objects read, one decode), then peak RSS.
int PeakChild(const char* path) {
    long baseline = CurrentKilobytes();
    Section s;
    if (!LoadSection(path, s)) return 1;
    unsigned char* out = nullptr;
    int rc = DecodeOurs(s, &out);
    printf("%d %ld %ld\n", rc, PeakKilobytes(), baseline);
    free(out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--peak-child") == 0) return PeakChild(argv[2]);

    std::string path = argc > 1 ? argv[1] : std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/lcl.chm";
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    if (runs < 1) runs = 1;

    Section s;
    if (!LoadSection(path.c_str(), s)) {
        fprintf(stderr, "cannot read the compressed section of %s (run bench/lzx/get-lcl-chm.sh)\n",
                path.c_str());
        return 1;
    }
    const double mb = s.uncompressed / 1e6;
    printf("file %s\nsection: %u bytes compressed, %u uncompressed, window 2^%d, %zu objects\n", path.c_str(),
           s.compressed, s.uncompressed, s.windowBits, s.objects.size());

    // Peak memory first, in a fresh process of our own.
    {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        self[n > 0 ? n : 0] = 0;
        std::string cmd = std::string("'") + self + "' --peak-child '" + path + "'";
        fflush(stdout);
        FILE* p = popen(cmd.c_str(), "r");
        int rc = -1;
        long kbRead = 0, baselineRead = 0;
        if (p && fscanf(p, "%d %ld %ld", &rc, &kbRead, &baselineRead) == 3 && rc == 0) {
            double kb = static_cast<double>(kbRead), baseline = static_cast<double>(baselineRead);
            double budget = (s.uncompressed + (1u << s.windowBits)) * 1.10 / 1024;
            printf(
                "peak memory (ru_maxrss) of a process that opens the file, reads the section and decodes it: "
                "%.1f MiB,\n  %.1f MiB of it the process before it opened the file; the rest %.1f MiB "
                "against "
                "section + window + 10%% = %.1f MiB: %s\n",
                kb / 1024.0, baseline / 1024.0, (kb - baseline) / 1024.0, budget / 1024,
                kb - baseline <= budget ? "within" : "OVER");
        } else {
            printf("peak memory: child failed\n");
        }
        if (p) pclose(p);
    }

    std::vector<unsigned char> patched = ReadWholeFile(path.c_str());
    static const unsigned char kStandardGuid[16] = {0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                    0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
    if (patched.size() >= 56) memcpy(patched.data() + 40, kStandardGuid, 16);

    std::vector<double> ours, theirs, ratios, oursWall, theirsWall;
    uint64_t oursHash = 0, theirsHash = 0;
    bool same = true;
    size_t compared = 0;
    for (int r = 0; r < runs; r++) {
        unsigned char* out = nullptr;
        Timer a;
        int rc = DecodeOurs(s, &out);
        a.Stop();
        if (rc != 0) {
            printf("our decoder failed: %d\n", rc);
            return 1;
        }
        unsigned char* mine = out;
        Objects done;
        Timer b;
        rc = DecodeMspack(s, patched, &out, done);
        b.Stop();
        if (rc != 0) {
            printf("libmspack failed: %d\n", rc);
            return 1;
        }
        uint64_t h = ObjectsHash(s, done, mine), hm = ObjectsHash(s, done, out);
        compared = done.size();
        free(mine);
        free(out);
        if (r == 0) oursHash = h, theirsHash = hm;
        same = same && h == oursHash && hm == theirsHash && h == hm;
        ours.push_back(mb / a.cpu);
        theirs.push_back(mb / b.cpu);
        oursWall.push_back(mb / a.wall);
        theirsWall.push_back(mb / b.wall);
        ratios.push_back(b.cpu / a.cpu);
        printf("run %d: ours %.0f MB/s, libmspack %.0f MB/s, ratio %.2f   (wall: %.0f / %.0f MB/s)\n", r + 1,
               ours.back(), theirs.back(), ratios.back(), oursWall.back(), theirsWall.back());
    }
    printf("same bytes in the %zu objects libmspack extracted: %s (hash %016llx / %016llx)\n", compared,
           same ? "yes" : "NO", (unsigned long long)oursHash, (unsigned long long)theirsHash);
    printf("median (CPU time): ours %.0f MB/s, libmspack %.0f MB/s, ratio %.2f (target 1.25)\n", Median(ours),
           Median(theirs), Median(ratios));
    printf("median (wall time): ours %.0f MB/s, libmspack %.0f MB/s\n", Median(oursWall), Median(theirsWall));

    std::vector<double> chmlib;
    for (int r = 0; r < std::min(runs, 3); r++) {
        unsigned char* out = nullptr;
        Objects done;
        Timer t;
        int rc = DecodeChmlib(path.c_str(), s, &out, done);
        t.Stop();
        unsigned char* mine = nullptr;
        bool match =
            rc == 0 && DecodeOurs(s, &mine) == 0 && ObjectsHash(s, done, out) == ObjectsHash(s, done, mine);
        if (r == 0)
            printf("chmlib: %zu objects, %s\n", done.size(), match ? "same bytes" : "DIFFERENT bytes");
        free(mine);
        free(out);
        if (rc != 0 || !match) break;
        chmlib.push_back(mb / t.cpu);
    }
    if (!chmlib.empty())
        printf("chmlib (every object, offset order): median %.0f MB/s (CPU time)\n", Median(chmlib));

    std::vector<double> sevenZip, sevenZipWall;
    for (int r = 0; r < std::min(runs, 3); r++) {
        double wall, cpu;
        if (!TimeCommand({"7zz", "t", path}, wall, cpu)) {
            printf("7zz t: failed\n");
            break;
        }
        sevenZip.push_back(mb / cpu);
        sevenZipWall.push_back(mb / wall);
    }
    if (!sevenZip.empty())
        printf("7zz t (whole process, section size over its CPU time): median %.0f MB/s (wall %.0f MB/s)\n",
               Median(sevenZip), Median(sevenZipWall));

    // Our whole-section decode through one reused buffer, checked against the decode into a block.
    std::vector<double> streamed;
    bool streamSame = true;
    {
        unsigned char* out = nullptr;
        uint64_t expected = DecodeOurs(s, &out) == 0 ? BlockHash(out, s.uncompressed) : 0;
        free(out);
        for (int r = 0; r < runs; r++) {
            uint64_t h = 0;
            Timer t;
            int rc = StreamOurs(s, &h);
            t.Stop();
            streamSame = streamSame && rc == 0 && h == expected;
            streamed.push_back(mb / t.cpu);
        }
    }
    printf(
        "ours through one reused 1 MB buffer (every byte summed, as 7zz t checks its CRCs): median %.0f MB/s "
        "(CPU time), %s\n",
        Median(streamed), streamSame ? "same bytes as the decode into one block" : "DIFFERENT bytes");
    if (!sevenZip.empty())
        printf(
            "whole-section decode against 7zz t in this run: into one block %.2fx, through a reused buffer "
            "%.2fx (target 1.0)\n",
            Median(ours) / Median(sevenZip), Median(streamed) / Median(sevenZip));
    return same && streamSame ? 0 : 1;
}
