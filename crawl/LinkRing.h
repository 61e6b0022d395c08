#pragma once
// The ring of waiting links of one crawl: a fixed number of slots, filled at WriteIndex and
// taken at ReadIndex, first in first out. A link text waits at most once. Not thread-safe:
// the crawl component guards it.

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>

#include <vector>

struct TWebLink
{
    QByteArray Link; // empty: the slot is free
    int Level = 0;
};
using TWebLinks = QList<TWebLink>;

// One slot that changed, as the owners mirror it: a fill carries the link, a take an empty link.
struct SlotChange
{
    QByteArray link;
    int level = 0;
    int index = 0;
};

class LinkRing final
{
public:
    // Slots that remain keep their content, added slots are free; below one slot the ring has
    // none, and then every offer is dropped and every take finds nothing.
    void resize(int slots);
    // Frees every slot and sets both indexes to slot 0. Raises nothing.
    void reset();

    // Offers one page's links at one level. Stops at the first link that finds the write slot
    // occupied: the rest of the page is dropped. Links already waiting are skipped.
    void offer(const QByteArrayList &links, int level, std::vector<SlotChange> *changes);

    // Takes the slot at ReadIndex, free or not, and advances. Returns false with no change
    // when the ring has no slot.
    bool take(TWebLink *taken, SlotChange *change);

    const TWebLinks &slots() const { return slots_; }
    int writeIndex() const { return write_; }
    int readIndex() const { return read_; }

private:
    int advance(int index) const;

    TWebLinks slots_;
    // How many slots hold each waiting link text: makes the duplicate test O(1) on big rings.
    QHash<QByteArray, int> waiting_;
    int write_ = 0;
    int read_ = 0;
};
