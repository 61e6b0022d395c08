#include "crawl/LinkRing.h"

#include <gtest/gtest.h>

namespace {

QByteArrayList links(std::initializer_list<const char *> texts)
{
    QByteArrayList list;
    for (const char *text : texts)
        list << QByteArray(text);
    return list;
}

TEST(LinkRing, WrapsAroundAndFreesTakenSlotsForReuse)
{
    LinkRing ring;
    ring.resize(3);
    std::vector<SlotChange> changes;
    ring.offer(links({"a", "b", "c", "d"}), 1, &changes);
    ASSERT_EQ(changes.size(), 3u);
    TWebLink taken;
    SlotChange change;
    ASSERT_TRUE(ring.take(&taken, &change));
    EXPECT_EQ(taken.Link, "a");
    EXPECT_EQ(change.index, 0);
    changes.clear();
    ring.offer(links({"b", "a", "e"}), 2, &changes); // b still waits; a was taken and comes back
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].link, "a");
    EXPECT_EQ(changes[0].index, 0);
    EXPECT_EQ(ring.writeIndex(), 1);
}

TEST(LinkRing, ResizeKeepsSlotsAndKeepsIndexesInside)
{
    LinkRing ring;
    ring.resize(4);
    std::vector<SlotChange> changes;
    ring.offer(links({"a", "b", "c", "d"}), 1, &changes);
    TWebLink taken;
    SlotChange change;
    for (int i = 0; i < 3; ++i)
        ring.take(&taken, &change);
    ring.resize(2); // drops c and d, which were waiting in slots 2 and 3
    EXPECT_EQ(ring.slots().size(), 2);
    EXPECT_EQ(ring.readIndex(), 0);
    EXPECT_EQ(ring.writeIndex(), 0);
    changes.clear();
    ring.offer(links({"d"}), 1, &changes); // no longer counted as waiting
    EXPECT_EQ(changes.size(), 1u);
    ring.resize(5);
    EXPECT_EQ(ring.slots().at(0).Link, "d");
    EXPECT_TRUE(ring.slots().at(4).Link.isEmpty());
}

TEST(LinkRing, NoSlotsMeansNothingQueuedAndNothingTaken)
{
    LinkRing ring;
    ring.resize(-3);
    std::vector<SlotChange> changes;
    ring.offer(links({"a"}), 1, &changes);
    EXPECT_TRUE(changes.empty());
    TWebLink taken;
    SlotChange change;
    EXPECT_FALSE(ring.take(&taken, &change));
    EXPECT_TRUE(taken.Link.isEmpty());
}

TEST(LinkRing, TakingAFreeSlotStillReportsItsOldLevel)
{
    LinkRing ring;
    ring.resize(2);
    std::vector<SlotChange> changes;
    ring.offer(links({"a"}), 3, &changes);
    TWebLink taken;
    SlotChange change;
    ring.take(&taken, &change);
    ring.take(&taken, &change); // slot 1 was never filled
    EXPECT_TRUE(taken.Link.isEmpty());
    EXPECT_EQ(change.level, 0);
    EXPECT_EQ(change.index, 1);
    ring.take(&taken, &change); // slot 0 again: freed, its level kept
    EXPECT_EQ(change.level, 3);
    EXPECT_EQ(ring.readIndex(), 1);
}

} // namespace

// Pages that finish out of order leave a lower level behind a higher one: the lower is taken
// first, the owners' mirror stays true, and the ring keeps taking and filling as a ring.
TEST(LinkRing, TakesTheLowestLevelFirstAndKeepsTheMirrorAndTheRingWhole)
{
    LinkRing ring;
    ring.resize(5);
    TWebLinks mirror(5);
    std::vector<SlotChange> changes;
    const auto follow = [&] {
        for (const SlotChange &change : changes)
            mirror[change.index] = TWebLink{change.link, change.level};
        changes.clear();
    };
    EXPECT_EQ(ring.offer(links({"x", "y"}), 3, &changes), 0);
    EXPECT_EQ(ring.offer(links({"p", "q"}), 2, &changes), 0);
    EXPECT_EQ(ring.offer(links({"z", "w", "v"}), 3, &changes), 2) << "one slot was left: two links are dropped";
    follow();
    QByteArrayList order;
    TWebLink taken;
    for (int i = 0; i < 3 && ring.takeLowest(&taken, &changes); ++i) {
        order << taken.Link + QByteArray::number(taken.Level);
        follow();
    }
    EXPECT_EQ(order, links({"q2", "p2", "x3"}));
    for (qsizetype i = 0; i < mirror.size(); ++i)
        EXPECT_EQ(mirror[i].Link, ring.slots()[i].Link) << "slot " << i;
    EXPECT_EQ(ring.offer(links({"a", "b", "c", "d"}), 4, &changes), 1);
    follow();
    while (ring.takeLowest(&taken, &changes)) {
        order << taken.Link + QByteArray::number(taken.Level);
        follow();
        ASSERT_LT(order.size(), 20);
    }
    EXPECT_EQ(order, links({"q2", "p2", "x3", "y3", "z3", "a4", "b4", "c4"}));
}
