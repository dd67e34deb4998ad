// The editor selection memory: insert, replace, look up and every shape of removal,
// checked against the tree's links, and allocation failures that must change nothing.
#include "editorchoice.hpp"

#include <gtest/gtest.h>

#include <limits.h>
#include <map>
#include <stdlib.h>

namespace {

int Live = 0;       // blocks currently allocated
int FailAfter = -1; // allocations left before they start failing (-1: never)

void* CountingAlloc(size_t size) {
    if (FailAfter == 0) return nullptr;
    if (FailAfter > 0) FailAfter--;
    Live++;
    return calloc(1, size);
}
void CountingFree(void* block) {
    if (block) Live--;
    free(block);
}
const MemoryHooks Counting = {CountingAlloc, CountingFree};

struct EditorChoiceTest : ::testing::Test {
    EditorChoiceMemory map{nullptr, &Counting};
    void SetUp() override { Live = 0, FailAfter = -1; }
    void TearDown() override {
        while (map.Root)
            ForgetEditor(&map, map.Root->Pair->EditorId);
        EXPECT_EQ(Live, 0) << "blocks leaked";
    }
    int Find(int id) {
        int position = -777;
        return LookUpEditorChoice(&map, id, &position) ? position : -1;
    }
};

// Walks the tree: parent links agree, keys are ordered, every node owns a pair.
int CheckTree(const EditorChoiceNode* node, const EditorChoiceNode* parent, long long lo, long long hi) {
    if (!node) return 0;
    EXPECT_EQ(node->Parent, parent);
    EXPECT_NE(node->Pair, nullptr);
    EXPECT_GT(node->Pair->EditorId, lo);
    EXPECT_LT(node->Pair->EditorId, hi);
    return 1 + CheckTree(node->Smaller, node, lo, node->Pair->EditorId) +
           CheckTree(node->Greater, node, node->Pair->EditorId, hi);
}
int Size(const EditorChoiceMemory& map) {
    return CheckTree(map.Root, nullptr, (long long)INT_MIN - 1, (long long)INT_MAX + 1);
}

TEST_F(EditorChoiceTest, TwoEditorsThenReplaceTheFirst) {
    EXPECT_TRUE(RememberEditorChoice(&map, 1, 5));
    EXPECT_TRUE(RememberEditorChoice(&map, 2, 7));
    EXPECT_EQ(Size(map), 2);
    EXPECT_EQ(Find(1), 5);
    EXPECT_EQ(Find(2), 7);

    EditorChoice* old = map.Root->Pair;
    EXPECT_TRUE(RememberEditorChoice(&map, 1, 9));
    EXPECT_EQ(Size(map), 2);
    EXPECT_EQ(Find(1), 9);
    EXPECT_EQ(Find(2), 7);
    EXPECT_EQ(Live, 4) << "the replaced pair was not freed";
    (void)old;
}

TEST_F(EditorChoiceTest, UnknownEditorsAreNotFoundAndForgettingThemChangesNothing) {
    EXPECT_EQ(Find(3), -1);
    ForgetEditor(&map, 3);
    RememberEditorChoice(&map, 10, 4);
    ForgetEditor(&map, 3);
    EXPECT_EQ(Size(map), 1);
    EXPECT_EQ(Find(10), 4);
}

TEST_F(EditorChoiceTest, KeysCompareAsSignedIntegers) {
    for (int id : {0, -1, INT_MIN, INT_MAX, 1})
        RememberEditorChoice(&map, id, id == INT_MIN ? 6 : 4);
    EXPECT_EQ(Size(map), 5);
    EXPECT_EQ(map.Root->Smaller->Pair->EditorId, -1);
    EXPECT_EQ(Find(INT_MIN), 6);
    EXPECT_EQ(Find(INT_MAX), 4);
}

TEST_F(EditorChoiceTest, RemovingALeafAndANodeWithOneSubtree) {
    for (int id : {50, 30, 20, 70})
        RememberEditorChoice(&map, id, id);
    ForgetEditor(&map, 20); // leaf
    EXPECT_EQ(map.Root->Smaller->Smaller, nullptr);
    ForgetEditor(&map, 50); // root with two subtrees: 30 has no greater child
    EXPECT_EQ(map.Root->Pair->EditorId, 30);
    EXPECT_EQ(map.Root->Greater->Pair->EditorId, 70);
    ForgetEditor(&map, 30); // root with one subtree
    EXPECT_EQ(map.Root->Pair->EditorId, 70);
    EXPECT_EQ(map.Root->Parent, nullptr);
    EXPECT_EQ(Size(map), 1);
}

TEST_F(EditorChoiceTest, RemovalWithBothSubtreesHangsTheGreaterUnderTheGreatestSmaller) {
    //        50
    //     30     70
    //   20  40  60  80
    //         45
    for (int id : {50, 30, 70, 20, 40, 60, 80, 45})
        RememberEditorChoice(&map, id, id + 1);
    ForgetEditor(&map, 30); // inner node: 40 hangs under 20, which takes the place of 30
    EditorChoiceNode* twenty = map.Root->Smaller;
    ASSERT_EQ(twenty->Pair->EditorId, 20);
    ASSERT_NE(twenty->Greater, nullptr);
    EXPECT_EQ(twenty->Greater->Pair->EditorId, 40);
    EXPECT_EQ(Size(map), 7);

    ForgetEditor(&map, 50); // the root: 70's subtree hangs under 45, the greatest below 50
    EXPECT_EQ(map.Root->Pair->EditorId, 20);
    EditorChoiceNode* n45 = map.Root->Greater->Greater;
    ASSERT_EQ(n45->Pair->EditorId, 45);
    EXPECT_EQ(n45->Greater->Pair->EditorId, 70);
    EXPECT_EQ(Size(map), 6);
    for (int id : {20, 40, 45, 60, 70, 80})
        EXPECT_EQ(Find(id), id + 1);
}

TEST_F(EditorChoiceTest, AgreesWithAnOrderedMapOverAMixedSequence) {
    std::map<int, int> model;
    unsigned seed = 12345;
    for (int step = 0; step < 4000; step++) {
        seed = seed * 1103515245 + 12345;
        int id = (int)((seed >> 8) % 64) - 32;
        if ((seed >> 20) % 3 == 0) {
            ForgetEditor(&map, id);
            model.erase(id);
        } else {
            RememberEditorChoice(&map, id, step);
            model[id] = step;
        }
    }
    EXPECT_EQ(Size(map), (int)model.size());
    for (int id = -40; id < 40; id++)
        EXPECT_EQ(Find(id), model.count(id) ? model[id] : -1);
    EXPECT_EQ(Live, 2 * (int)model.size());
}

TEST_F(EditorChoiceTest, FailedAllocationsLeaveTheMapUnchanged) {
    RememberEditorChoice(&map, 5, 4);
    FailAfter = 0; // the node of a new editor cannot be made
    EXPECT_FALSE(RememberEditorChoice(&map, 6, 4));
    FailAfter = 1; // the node can, its pair cannot
    EXPECT_FALSE(RememberEditorChoice(&map, 6, 4));
    FailAfter = 0; // the replacement pair of a known editor cannot
    EXPECT_FALSE(RememberEditorChoice(&map, 5, 9));
    FailAfter = -1;
    EXPECT_EQ(Size(map), 1);
    EXPECT_EQ(Find(5), 4);
    EXPECT_EQ(Find(6), -1);
    EXPECT_EQ(Live, 2);
}

} // namespace
