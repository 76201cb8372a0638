#pragma once

#include <QtGlobal>

#include <vector>

namespace tarvolin {

// An open-addressing index of items that live elsewhere, by hash: it keeps each item's hash
// and position and asks the caller whether a candidate is the one sought. At most half full,
// so probes stay short and always meet a free place.
class HashIndex {
public:
    // Room for count items without growing.
    void reserve(qsizetype count) {
        size_t size = std::max<size_t>(table_.size(), 16);
        while (size < 2 * size_t(count))
            size *= 2;
        if (size == table_.size())
            return;
        std::vector<Item> old(size);
        old.swap(table_);
        for (const Item &item : old) {
            if (item.index >= 0)
                place(item);
        }
    }

    // The position of the item with this hash for which matches(position) holds, or -1.
    template <typename Matches> qsizetype find(size_t hash, Matches &&matches) const {
        if (table_.empty())
            return -1;
        const size_t mask = table_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Item &item = table_[at];
            if (item.index < 0)
                return -1;
            if (item.hash == hash && matches(item.index))
                return item.index;
        }
    }

    // Adds an item the index does not hold yet.
    void insert(size_t hash, qsizetype index) {
        if (2 * (count_ + 1) > qsizetype(table_.size()))
            reserve(std::max<qsizetype>(2 * count_, 8));
        place(Item{hash, index});
        ++count_;
    }

private:
    struct Item {
        size_t hash = 0;
        qsizetype index = -1;
    };

    void place(const Item &item) {
        const size_t mask = table_.size() - 1;
        size_t at = item.hash & mask;
        while (table_[at].index >= 0)
            at = (at + 1) & mask;
        table_[at] = item;
    }

    std::vector<Item> table_;
    qsizetype count_ = 0;
};

} // namespace tarvolin
