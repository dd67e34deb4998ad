// libFuzzer target: opens arbitrary bytes as a CHM through the memory-backed file,
// reads every directory entry, and lists the topics of whatever tables it finds.
#include <stddef.h>
#include <stdint.h>

#include "container.h"
#include "topics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ChmContainer* container = OpenContainerFile(ChmFileOpenMemory(data, size));
    if (!container) return 0;
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
    return 0;
}
