#pragma once
// A value that entities hold by one pointer to an immutable block, shared by
// the entities of an equal value: a board's pads repeat a handful of styles
// tens of thousands of times. Changing it through edit() gives this holder a
// block of its own first (copy on write), so the others keep theirs.
//
// T is copyable, default-constructible and has `bool sameAs(const T&) const`
// that holds only for values stored bit for bit alike (0.0 and -0.0 differ),
// so that sharing never changes a value read back.

#include <QSharedData>

#include <array>
#include <cstring>

// Bit for bit, as a shared value must read back exactly as the one given.
inline bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <class T>
class SharedValue {
public:
    SharedValue() = default;

    const T& get() const { return d_ ? d_->value : defaultValue(); }

    // The value of this holder alone, to change in place. Never from a
    // drawing thread: drawing only reads.
    T& edit()
    {
        if (!d_)
            d_ = QExplicitlySharedDataPointer<Block>(new Block);
        else
            d_.detach();
        return d_->value;
    }

    // Holds an equal value: the default one, this holder's own, or one of
    // the values last set on this thread (reading gives a few values in
    // runs), else a new block.
    void share(const T& value)
    {
        if (d_ && d_->value.sameAs(value))
            return;
        if (value.sameAs(defaultValue())) {
            d_.reset();
            return;
        }
        // The value last shared is the likeliest, then the others.
        Recent& recent = recentBlocks();
        for (size_t i = 0; i < recent.blocks.size(); ++i) {
            const size_t k = (recent.last + i) % recent.blocks.size();
            if (recent.blocks[k] && recent.blocks[k]->value.sameAs(value)) {
                d_ = recent.blocks[k];
                recent.last = k;
                return;
            }
        }
        auto* block = new Block;
        block->value = value;
        d_ = QExplicitlySharedDataPointer<Block>(block);
        // New blocks replace the oldest in turn: a hit must not make room
        // next to itself, or a few styles used in turn push out the others.
        recent.last = recent.next;
        recent.blocks[recent.next] = d_;
        recent.next = (recent.next + 1) % recent.blocks.size();
    }

    // Whether both hold the same block (a test's view of the sharing).
    bool sharesWith(const SharedValue& other) const { return d_ == other.d_; }

private:
    struct Block : QSharedData {
        T value;
    };
    struct Recent {
        std::array<QExplicitlySharedDataPointer<Block>, 16> blocks;
        size_t last = 0; // the block last shared, asked first
        size_t next = 0; // the block to replace next
    };
    static Recent& recentBlocks()
    {
        thread_local Recent recent;
        return recent;
    }
    static const T& defaultValue()
    {
        static const T value;
        return value;
    }
    QExplicitlySharedDataPointer<Block> d_;
};
