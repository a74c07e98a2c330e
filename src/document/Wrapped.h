#pragma once
// Values whose every assignment asks the views to redraw: the display
// switches of the sheet settings, a layer's visibility and colour, and the
// layer list's solid-board flag.

#include <QColor>

class WrappedBool {
public:
    // refitOnChange: a change also refits the active viewport (the page
    // switch, which changes what a fit covers).
    explicit WrappedBool(bool value = false, bool refitOnChange = false)
        : value_(value), refitOnChange_(refitOnChange) {}
    WrappedBool(const WrappedBool&) = default;
    // Assignment goes through set(), so it requests a redraw.
    WrappedBool& operator=(const WrappedBool& other)
    {
        set(other.value_);
        return *this;
    }
    WrappedBool& operator=(bool v)
    {
        set(v);
        return *this;
    }

    bool value() const { return value_; }
    operator bool() const { return value_; }
    // Stores the value, then requests a redraw (and a refit for the page switch).
    void set(bool v);

    friend bool operator==(const WrappedBool& a, const WrappedBool& b) { return a.value_ == b.value_; }

private:
    bool value_;
    bool refitOnChange_;
};

class WrappedColor {
public:
    explicit WrappedColor(const QColor& value = QColor(255, 255, 255)) : value_(value) {}
    WrappedColor(const WrappedColor&) = default;
    WrappedColor& operator=(const WrappedColor& other)
    {
        set(other.value_);
        return *this;
    }
    WrappedColor& operator=(const QColor& v)
    {
        set(v);
        return *this;
    }

    const QColor& value() const { return value_; }
    operator QColor() const { return value_; }
    // Stores the colour, then requests a redraw.
    void set(const QColor& v);

    friend bool operator==(const WrappedColor& a, const WrappedColor& b) { return a.value_ == b.value_; }

private:
    QColor value_;
};
