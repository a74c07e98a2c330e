#pragma once
// Whether an entity is selected. Reads and assigns like a bool; it also
// keeps the number of entities selected anywhere, so that a frame with
// nothing selected (the usual case) finds it has no selection frames to
// draw without visiting every entity of the sheet.

#include <atomic>
#include <cstddef>

class SelectionFlag {
public:
    SelectionFlag() = default;
    SelectionFlag(const SelectionFlag&) = delete;
    // Takes the other flag's value, as a bool would.
    SelectionFlag& operator=(const SelectionFlag& other) { return *this = bool(other); }
    ~SelectionFlag()
    {
        if (on_)
            selected_.fetch_sub(1, std::memory_order_relaxed);
    }

    SelectionFlag& operator=(bool on)
    {
        if (on != on_) {
            on_ = on;
            changes_.fetch_add(1, std::memory_order_relaxed);
            if (on)
                selected_.fetch_add(1, std::memory_order_relaxed);
            else
                selected_.fetch_sub(1, std::memory_order_relaxed);
        }
        return *this;
    }
    operator bool() const { return on_; }

    // Entities selected now, in every design.
    static size_t selectedAnywhere() { return selected_.load(std::memory_order_relaxed); }
    // Counts every flag turned on or off: a frame drawn before shows an
    // old selection.
    static size_t changes() { return changes_.load(std::memory_order_relaxed); }

private:
    bool on_ = false;
    static inline std::atomic<size_t> selected_{0};
    static inline std::atomic<size_t> changes_{0};
};
