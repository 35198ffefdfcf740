#pragma once

// Holds the one reference an out-pointer hands over and releases it when it goes.
template <typename T> class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { reset(); }

    T** out() {
        reset();
        return &row;
    }
    T* get() const { return row; }
    T* operator->() const { return row; }
    explicit operator bool() const { return row != nullptr; }
    void reset() {
        if (row)
            row->release();
        row = nullptr;
    }

private:
    T* row = nullptr;
};
