#include "crawl/LinkRing.h"

#include <algorithm>

void LinkRing::resize(int slots)
{
    const int count = std::max(0, slots);
    for (qsizetype i = count; i < slots_.size(); ++i) {
        const QByteArray &link = slots_.at(i).Link;
        if (!link.isEmpty() && --waiting_[link] == 0)
            waiting_.remove(link);
    }
    slots_.resize(count);
    // Indexes past a shrunk ring start over at slot 0 rather than point outside it.
    if (write_ >= count)
        write_ = 0;
    if (read_ >= count)
        read_ = 0;
}

void LinkRing::reset()
{
    for (TWebLink &slot : slots_)
        slot = TWebLink{};
    waiting_.clear();
    write_ = 0;
    read_ = 0;
}

int LinkRing::advance(int index) const
{
    return index + 1 >= slots_.size() ? 0 : index + 1;
}

void LinkRing::offer(const QByteArrayList &links, int level, std::vector<SlotChange> *changes)
{
    for (const QByteArray &link : links) {
        if (slots_.isEmpty() || !slots_.at(write_).Link.isEmpty())
            return;
        if (waiting_.contains(link))
            continue;
        slots_[write_] = TWebLink{link, level};
        ++waiting_[link];
        changes->push_back(SlotChange{link, level, write_});
        write_ = advance(write_);
    }
}

bool LinkRing::take(TWebLink *taken, SlotChange *change)
{
    if (slots_.isEmpty()) {
        *taken = TWebLink{};
        return false;
    }
    TWebLink &slot = slots_[read_];
    *taken = slot;
    if (!slot.Link.isEmpty() && --waiting_[slot.Link] == 0)
        waiting_.remove(slot.Link);
    slot.Link.clear(); // the level stays, as the owners' mirror shows it
    *change = SlotChange{QByteArray(), slot.Level, read_};
    read_ = advance(read_);
    return true;
}
