#pragma once

/// @file
/// Reference counting shared by the host and its plugins: the counted-object interface and the
/// three smart pointers that hold one reference to a non-null object.

#include <utility>

/// Reference counting of the host and its plugins.
namespace vtl {

/// A reference-counted object. Every row object of the library is one: an operation that hands
/// a row out through an out-pointer gives the caller one reference, which the caller releases.
class IRefCounted {
public:
    /// Destroys the object; called by release() when the last reference goes.
    virtual ~IRefCounted() = default;
    /// Adds one reference; returns the new count.
    virtual int addRef() = 0;
    /// Drops one reference; at zero the object deletes itself and 0 is returned.
    virtual int release() = 0;
    /// The current reference count.
    virtual int refCount() const = 0;
};

/// A counted pointer that may live by value in Qt and standard containers. It holds one
/// reference to its object, or nothing.
template <typename T> class RefCountedPtr_STLSafe {
public:
    /// A null pointer.
    RefCountedPtr_STLSafe() = default;
    /// Takes a reference to @p object (none when it is null). An out-pointer's reference is the
    /// caller's own: wrapping it adds a second one.
    explicit RefCountedPtr_STLSafe(T* object) : ptr(object) { retain(); }
    /// Takes another reference to @p other's object.
    RefCountedPtr_STLSafe(const RefCountedPtr_STLSafe& other) : ptr(other.ptr) { retain(); }
    /// Moving hands the reference over without touching the count.
    RefCountedPtr_STLSafe(RefCountedPtr_STLSafe&& other) noexcept : ptr(other.ptr) {
        other.ptr = nullptr;
    }
    /// Releases the held object.
    virtual ~RefCountedPtr_STLSafe() { drop(); }

    /// Holds @p other's object instead of the own one.
    RefCountedPtr_STLSafe& operator=(const RefCountedPtr_STLSafe& other) {
        // The new reference is taken first, so assigning an object to itself is harmless.
        T* old = ptr;
        ptr = other.ptr;
        retain();
        if (old)
            old->release();
        return *this;
    }
    /// Takes over @p other's reference and releases the own object.
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

    /// The held object, or null.
    T* get() const { return ptr; }
    /// The held object's members.
    T* operator->() const { return ptr; }
    /// The held object.
    T& operator*() const { return *ptr; }
    /// Whether an object is held.
    explicit operator bool() const { return ptr != nullptr; }
    /// Whether no object is held.
    bool isNull() const { return ptr == nullptr; }

    /// Hands the object to an out-pointer with one added reference for the receiver.
    template <typename U> void copyTo(U** out) const {
        if (!out)
            return;
        *out = ptr;
        if (ptr)
            ptr->addRef();
    }

    /// Releases the held object and becomes null.
    void reset() {
        T* old = ptr;
        ptr = nullptr;
        if (old)
            old->release();
    }

protected:
    /// Adds a reference to the held object, if any.
    void retain() {
        if (ptr)
            ptr->addRef();
    }
    /// Becomes null, then releases the object held before.
    void drop() {
        if (ptr) {
            T* old = ptr;
            ptr = nullptr;
            old->release();
        }
    }

    /// The held object, or null.
    T* ptr = nullptr;
};

/// A counted pointer that may also be made implicitly from a raw pointer (taking a reference).
template <typename T> class RefCountedPtr : public RefCountedPtr_STLSafe<T> {
public:
    /// A null pointer.
    RefCountedPtr() = default;
    /// Takes a reference to @p object (none when it is null).
    RefCountedPtr(T* object) : RefCountedPtr_STLSafe<T>(object) {}
    /// Takes another reference to @p other's object.
    RefCountedPtr(const RefCountedPtr_STLSafe<T>& other) : RefCountedPtr_STLSafe<T>(other) {}
    /// Takes another reference to @p other's object.
    RefCountedPtr(const RefCountedPtr& other) : RefCountedPtr_STLSafe<T>(other) {}
    /// Takes over @p other's reference.
    RefCountedPtr(RefCountedPtr&& other) noexcept : RefCountedPtr_STLSafe<T>(std::move(other)) {}
    /// Holds @p other's object instead of the own one.
    RefCountedPtr& operator=(const RefCountedPtr& other) {
        RefCountedPtr_STLSafe<T>::operator=(other);
        return *this;
    }
    /// Takes over @p other's reference and releases the own object.
    RefCountedPtr& operator=(RefCountedPtr&& other) noexcept {
        RefCountedPtr_STLSafe<T>::operator=(std::move(other));
        return *this;
    }
};

/// Converts between interfaces with a run-time type test; null when the object does not
/// implement T. This is how a host asks whether an acquired file is a queued file.
template <typename T> class RefCountedQIPtr : public RefCountedPtr<T> {
public:
    /// A null pointer.
    RefCountedQIPtr() = default;
    /// Takes a reference to @p object (none when it is null).
    RefCountedQIPtr(T* object) : RefCountedPtr<T>(object) {}
    /// Takes a reference to @p other's object when it implements T; null otherwise.
    template <typename U>
    RefCountedQIPtr(const RefCountedPtr_STLSafe<U>& other)
        : RefCountedPtr<T>(dynamic_cast<T*>(other.get())) {}
    /// Takes a reference to @p object when it implements T; null otherwise.
    template <typename U> RefCountedQIPtr(U* object) : RefCountedPtr<T>(dynamic_cast<T*>(object)) {}
};

} // namespace vtl
