// libFuzzer target: opens arbitrary bytes as a CHM through the memory-backed file, reads every
// directory entry, and lists the topics of whatever tables it finds. An input that does not start
// with "ITSF" is instead laid over the LZXC control data (its first 28 bytes) and the reset table
// (the rest) of a real file whose section spans seven 64 KB units (tests/data/chm/large.chm), so
// that mutations reach the random access, its checks and its fallback directly.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "chm/container.h"
#include "find/topics.h"

namespace {

void Exercise(const uint8_t* data, size_t size) {
    ChmContainer* container = OpenContainerFile(ChmFileOpenMemory(data, size));
    if (!container) return;
    for (uint32_t i = 0; i < container->DirectoryCount; i++) {
        unsigned char* object;
        uint32_t length;
        if (ReadObject(container, container->Directory[i].Name, &object, &length) == 0) {
            if (length) // touch both ends: the sanitizer checks the block is as long as claimed
                object[0] ^= object[length - 1];
            FreeObject(object);
        }
    }
    TopicTables tables;
    if (ReadTopicTables(container, &tables) == 0) {
        TopicCandidate* list;
        uint32_t count;
        bool more;
        if (CollectTopics(&tables, "", AsciiPrefixCompare, nullptr, nullptr, 64, &list, &count, &more) == 0) {
            for (uint32_t i = 0; i < count; i++) {
                char path[TopicPathSize];
                FormTopicPath(&tables, list[i].PathOffset, path, sizeof(path));
            }
            FreeObject(list);
        }
        FreeTopicTables(&tables);
    }
    CloseContainer(container);
}

struct Base {
    std::vector<uint8_t> File;
    size_t Control = 0, ControlLength = 0, Reset = 0, ResetLength = 0;
};

// Where the control data and the reset table of the base file lie in it.
const Base& LoadBase() {
    static Base base;
    if (!base.File.empty()) return base;
    FILE* f = fopen(LUMIVO_SOURCE_DIR "/tests/data/chm/large.chm", "rb");
    if (!f) abort();
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        base.File.insert(base.File.end(), buffer, buffer + n);
    fclose(f);
    ChmContainer* c = OpenContainerFile(ChmFileOpenMemory(base.File.data(), base.File.size()));
    const DirectoryRecord* control = FindDirectoryRecord(c, "::DataSpace/Storage/MSCompressed/ControlData");
    const DirectoryRecord* reset =
        FindDirectoryRecord(c, "::DataSpace/Storage/MSCompressed/Transform/"
                               "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable");
    if (!control || !reset) abort();
    base.Control = static_cast<size_t>(c->ContentOffset + control->Offset);
    base.ControlLength = control->Length;
    base.Reset = static_cast<size_t>(c->ContentOffset + reset->Offset);
    base.ResetLength = reset->Length;
    CloseContainer(c);
    return base;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 4 && memcmp(data, "ITSF", 4) == 0) {
        Exercise(data, size);
        return 0;
    }
    const Base& base = LoadBase();
    std::vector<uint8_t> file = base.File;
    size_t control = size < base.ControlLength ? size : base.ControlLength;
    memcpy(&file[base.Control], data, control);
    size_t reset = size - control < base.ResetLength ? size - control : base.ResetLength;
    memcpy(&file[base.Reset], data + control, reset);
    Exercise(file.data(), file.size());
    return 0;
}
