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
#include <cstddef>
#include <cstring>

// Bit for bit, as a shared value must read back exactly as the one given.
inline bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The blocks last shared on one thread, asked from the last one found:
// reading gives a few values in runs. A new block replaces the oldest in
// turn, so that a hit does not make room next to itself and a few values
// used in turn do not push out the others.
template <class Pointer, size_t N>
class RecentBlocks {
public:
    template <class Same>
    Pointer find(Same&& same)
    {
        for (size_t i = 0; i < N; ++i) {
            const size_t k = (last_ + i) % N;
            if (blocks_[k] && same(*blocks_[k])) {
                last_ = k;
                return blocks_[k];
            }
        }
        return Pointer();
    }
    void add(const Pointer& block)
    {
        last_ = next_;
        blocks_[next_] = block;
        next_ = (next_ + 1) % N;
    }

private:
    std::array<Pointer, N> blocks_;
    size_t last_ = 0;
    size_t next_ = 0;
};

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
        share(value, [](T&) {});
    }
    // The same, calling complete on the value of a new block before any
    // holder shares it (to fill what is derived from the value and not
    // compared by sameAs).
    template <class Complete>
    void share(const T& value, Complete&& complete)
    {
        if (d_ && d_->value.sameAs(value))
            return;
        if (value.sameAs(defaultValue())) {
            d_.reset();
            return;
        }
        Recent& recent = recentBlocks();
        if ((d_ = recent.find([&value](const Block& block) { return block.value.sameAs(value); })))
            return;
        auto* block = new Block;
        block->value = value;
        complete(block->value);
        d_ = QExplicitlySharedDataPointer<Block>(block);
        recent.add(d_);
    }

    // Whether both hold the same block (a test's view of the sharing).
    bool sharesWith(const SharedValue& other) const { return d_ == other.d_; }

private:
    struct Block : QSharedData {
        T value;
    };
    using Recent = RecentBlocks<QExplicitlySharedDataPointer<Block>, 16>;
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
