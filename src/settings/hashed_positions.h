#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace tarvolin {

// The positions of items that live elsewhere (in a vector), by hash: an open-addressing table
// of each item's position and the upper half of its hash, which also picks its bucket; the
// caller says whether a candidate is the one sought. At most half full, so probes stay short
// and always meet a free bucket; eight bytes a bucket, so the table of a large parse stays small
// enough for the caches. (A QHash would need keys of its own, a string per written name.) The
// hash must be seeded and resist chosen collisions (seeded_hash.h).
class HashedPositions {
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
            if (item.position != 0)
                place(item);
        }
    }

    // The position of the item with this hash for which matches(position) holds, or -1.
    template <typename Matches> qsizetype find(quint64 hash, Matches &&matches) const {
        if (table_.empty())
            return -1;
        const size_t mask = table_.size() - 1;
        const quint32 check = upperHalf(hash);
        for (size_t at = check & mask;; at = (at + 1) & mask) {
            const Item &item = table_[at];
            if (item.position == 0)
                return -1;
            if (item.check == check && matches(qsizetype(item.position) - 1))
                return qsizetype(item.position) - 1;
        }
    }

    // Starts loading the bucket where find(hash) begins, for a lookup soon after: a large
    // table outgrows the caches, and its random reads cost more than the rest of a write.
    void prefetch(quint64 hash) const {
        if (!table_.empty())
            __builtin_prefetch(&table_[upperHalf(hash) & (table_.size() - 1)]);
    }

    // Adds an item the table does not hold yet.
    void insert(quint64 hash, qsizetype position) {
        if (2 * (count_ + 1) > qsizetype(table_.size()))
            reserve(std::max<qsizetype>(2 * count_, 8));
        place(Item{quint32(position + 1), upperHalf(hash)});
        ++count_;
    }

private:
    // position is the item's position + 1, 0 for a free bucket (so at most 2^32 - 1 items).
    struct Item {
        quint32 position = 0;
        quint32 check = 0;
    };

    static quint32 upperHalf(quint64 hash) { return quint32(hash >> 32); }

    void place(const Item &item) {
        const size_t mask = table_.size() - 1;
        size_t at = item.check & mask;
        while (table_[at].position != 0)
            at = (at + 1) & mask;
        table_[at] = item;
    }

    std::vector<Item> table_;
    qsizetype count_ = 0;
};

} // namespace tarvolin
