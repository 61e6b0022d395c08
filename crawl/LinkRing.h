#pragma once
// The ring of waiting links of one crawl: a fixed number of slots, filled at WriteIndex and
// taken at ReadIndex, first in first out. A link text waits at most once. Not thread-safe:
// the crawl component guards it.

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>

#include <map>
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
    // occupied: the rest of the page is dropped, and their number returned. Links already
    // waiting are skipped.
    int offer(const QByteArrayList &links, int level, std::vector<SlotChange> *changes);

    // Takes the slot at ReadIndex, free or not, and advances. Returns false with no change
    // when the ring has no slot.
    bool take(TWebLink *taken, SlotChange *change);

    // Takes a waiting link of the lowest level waiting, for crawls whose pages finish out of
    // order: a page that finished late may leave links of its level behind those of the next.
    // Takes the one at ReadIndex when it has that level; otherwise the last waiting link moves
    // into the slot taken. False when nothing waits. Needs the waiting links in one run, as
    // offer() and this leave them.
    bool takeLowest(TWebLink *taken, std::vector<SlotChange> *changes);

    bool hasWaiting() const { return !waiting_.isEmpty(); }
    const TWebLinks &slots() const { return slots_; }
    int writeIndex() const { return write_; }
    int readIndex() const { return read_; }

private:
    int advance(int index) const;
    int back(int index) const;
    void forget(const TWebLink &link); // a link that no longer waits

    TWebLinks slots_;
    // How many slots hold each waiting link text: makes the duplicate test O(1) on big rings.
    QHash<QByteArray, int> waiting_;
    std::map<int, int> levels_; // waiting links per level
    int write_ = 0;
    int read_ = 0;
};
