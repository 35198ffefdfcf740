#pragma once

// Reference counting shared by the host and its plugins: the counted-object interface and the
// three smart pointers that hold one reference to a non-null object.

#include <utility>

namespace vtl {

class IRefCounted {
public:
    virtual ~IRefCounted() = default;
    // Adds one reference; returns the new count.
    virtual int addRef() = 0;
    // Drops one reference; at zero the object deletes itself and 0 is returned.
    virtual int release() = 0;
    virtual int refCount() const = 0;
};

// A counted pointer that may live by value in Qt and standard containers.
template <typename T> class RefCountedPtr_STLSafe {
public:
    RefCountedPtr_STLSafe() = default;
    explicit RefCountedPtr_STLSafe(T* object) : ptr(object) { retain(); }
    RefCountedPtr_STLSafe(const RefCountedPtr_STLSafe& other) : ptr(other.ptr) { retain(); }
    // Moving hands the reference over without touching the count.
    RefCountedPtr_STLSafe(RefCountedPtr_STLSafe&& other) noexcept : ptr(other.ptr) {
        other.ptr = nullptr;
    }
    virtual ~RefCountedPtr_STLSafe() { drop(); }

    RefCountedPtr_STLSafe& operator=(const RefCountedPtr_STLSafe& other) {
        // The new reference is taken first, so assigning an object to itself is harmless.
        T* old = ptr;
        ptr = other.ptr;
        retain();
        if (old)
            old->release();
        return *this;
    }
    RefCountedPtr_STLSafe& operator=(RefCountedPtr_STLSafe&& other) noexcept {
        if (this != &other) {
            T* old = ptr;
            ptr = other.ptr;
            other.ptr = nullptr;
            if (old)
                old->release();
        }
        return *this;
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }
    bool isNull() const { return ptr == nullptr; }

    // Hands the object to an out-pointer with one added reference for the receiver.
    template <typename U> void copyTo(U** out) const {
        if (!out)
            return;
        *out = ptr;
        if (ptr)
            ptr->addRef();
    }

    // Releases the held object and becomes null.
    void reset() {
        T* old = ptr;
        ptr = nullptr;
        if (old)
            old->release();
    }

protected:
    void retain() {
        if (ptr)
            ptr->addRef();
    }
    void drop() {
        if (ptr) {
            T* old = ptr;
            ptr = nullptr;
            old->release();
        }
    }

    T* ptr = nullptr;
};

template <typename T> class RefCountedPtr : public RefCountedPtr_STLSafe<T> {
public:
    RefCountedPtr() = default;
    RefCountedPtr(T* object) : RefCountedPtr_STLSafe<T>(object) {}
    RefCountedPtr(const RefCountedPtr_STLSafe<T>& other) : RefCountedPtr_STLSafe<T>(other) {}
    RefCountedPtr(const RefCountedPtr& other) : RefCountedPtr_STLSafe<T>(other) {}
    RefCountedPtr(RefCountedPtr&& other) noexcept : RefCountedPtr_STLSafe<T>(std::move(other)) {}
    RefCountedPtr& operator=(const RefCountedPtr& other) {
        RefCountedPtr_STLSafe<T>::operator=(other);
        return *this;
    }
    RefCountedPtr& operator=(RefCountedPtr&& other) noexcept {
        RefCountedPtr_STLSafe<T>::operator=(std::move(other));
        return *this;
    }
};

// Converts between interfaces with a run-time type test; null when the object does not
// implement T.
template <typename T> class RefCountedQIPtr : public RefCountedPtr<T> {
public:
    RefCountedQIPtr() = default;
    RefCountedQIPtr(T* object) : RefCountedPtr<T>(object) {}
    template <typename U>
    RefCountedQIPtr(const RefCountedPtr_STLSafe<U>& other)
        : RefCountedPtr<T>(dynamic_cast<T*>(other.get())) {}
    template <typename U> RefCountedQIPtr(U* object) : RefCountedPtr<T>(dynamic_cast<T*>(object)) {}
};

} // namespace vtl
