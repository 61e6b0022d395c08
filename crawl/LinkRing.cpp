#include "crawl/LinkRing.h"

#include <algorithm>

void LinkRing::resize(int slots)
{
    const int count = std::max(0, slots);
    for (qsizetype i = count; i < slots_.size(); ++i) {
        const QByteArray &link = slots_.at(i).Link;
        if (!link.isEmpty())
            forget(slots_.at(i));
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
    levels_.clear();
    write_ = 0;
    read_ = 0;
}

int LinkRing::advance(int index) const
{
    return index + 1 >= slots_.size() ? 0 : index + 1;
}

int LinkRing::back(int index) const
{
    return index == 0 ? int(slots_.size()) - 1 : index - 1;
}

void LinkRing::forget(const TWebLink &link)
{
    if (--waiting_[link.Link] == 0)
        waiting_.remove(link.Link);
    if (const auto level = levels_.find(link.Level); level != levels_.end() && --level->second == 0)
        levels_.erase(level);
}

int LinkRing::offer(const QByteArrayList &links, int level, std::vector<SlotChange> *changes)
{
    for (qsizetype i = 0; i < links.size(); ++i) {
        const QByteArray &link = links.at(i);
        if (slots_.isEmpty() || !slots_.at(write_).Link.isEmpty())
            return int(links.size() - i);
        if (waiting_.contains(link))
            continue;
        slots_[write_] = TWebLink{link, level};
        ++waiting_[link];
        ++levels_[level];
        changes->push_back(SlotChange{link, level, write_});
        write_ = advance(write_);
    }
    return 0;
}

bool LinkRing::takeLowest(TWebLink *taken, std::vector<SlotChange> *changes)
{
    if (slots_.isEmpty() || slots_.at(read_).Link.isEmpty())
        return false;
    const int lowest = levels_.begin()->first;
    if (slots_.at(read_).Level == lowest) {
        SlotChange change;
        take(taken, &change);
        changes->push_back(change);
        return true;
    }
    // Links of a lower level come from pages that finished late, so they sit near the end.
    int at = back(write_);
    while (slots_.at(at).Link.isEmpty() || slots_.at(at).Level != lowest)
        at = back(at);
    *taken = slots_.at(at);
    forget(*taken);
    // The last waiting link fills the slot taken, so the waiting links stay one run from
    // ReadIndex to WriteIndex, which take() and offer() rely on.
    const int last = back(write_);
    if (last != at) {
        slots_[at] = slots_.at(last);
        changes->push_back(SlotChange{slots_.at(at).Link, slots_.at(at).Level, at});
    }
    slots_[last].Link.clear();
    changes->push_back(SlotChange{QByteArray(), slots_.at(last).Level, last});
    write_ = last;
    return true;
}

bool LinkRing::take(TWebLink *taken, SlotChange *change)
{
    if (slots_.isEmpty()) {
        *taken = TWebLink{};
        return false;
    }
    TWebLink &slot = slots_[read_];
    *taken = slot;
    if (!slot.Link.isEmpty())
        forget(slot);
    slot.Link.clear(); // the level stays, as the owners' mirror shows it
    *change = SlotChange{QByteArray(), slot.Level, read_};
    read_ = advance(read_);
    return true;
}
