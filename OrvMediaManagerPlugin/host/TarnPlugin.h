#pragma once

// The host's plugin framework as a plugin sees it: the allocator, the framework string, the
// plugin base class and the host object that loads plugins.

#include <cstddef>

namespace Tarn {

template <typename T> class StandardAllocator;

// Polymorphic allocator over the array form of the global allocator.
template <> class StandardAllocator<char> {
public:
    virtual ~StandardAllocator() = default;
    virtual char* allocate(std::size_t n) { return new char[n]; }
    virtual void deallocate(char* p) { delete[] p; }

    // The one process-wide instance of the loaded library, made on first use.
    static StandardAllocator<char>* shared();
};

} // namespace Tarn

// Framework string value: NUL-terminated characters owned by an allocator.
class PluginString {
public:
    PluginString() = default;
    // Copies a NUL-terminated text (null counts as empty) into a block of the shared allocator.
    explicit PluginString(const char* text);
    PluginString(const PluginString& other);
    PluginString& operator=(const PluginString& other);
    ~PluginString();

    const char* c_str() const { return data ? data : ""; }
    int size() const { return length; }
    bool operator==(const PluginString& other) const;

    char* data = nullptr;
    int length = 0;
    Tarn::StandardAllocator<char>* allocator = nullptr;

private:
    void assign(const char* text, int size, Tarn::StandardAllocator<char>* from);
    void free();
};

namespace Tarn {
class Plugin;
}

// The host object given to a plugin's entry function. A plugin calls only the two release
// callbacks, the ninth and tenth virtual operations.
class PluginHost {
public:
    virtual ~PluginHost() = default;
    virtual int getHostVersion() = 0;
    virtual const char* getHostName() = 0;
    virtual int loadPlugin(const char* path) = 0;
    virtual int unloadPlugin(const char* path) = 0;
    virtual int getPluginCount() = 0;
    virtual Tarn::Plugin* getPluginAt(int index) = 0;
    virtual int pluginRetained(Tarn::Plugin* plugin) = 0;
    virtual void pluginReleasing(Tarn::Plugin* plugin) = 0;
    virtual void pluginReleased(Tarn::Plugin* plugin) = 0;
};

namespace Tarn {

// Result codes of the framework operations.
enum Result { ResultOk = 0, ResultNotSupported = 3 };

// Base of every plugin object: reference count, host pointer and the interface query.
class Plugin {
public:
    explicit Plugin(PluginHost* host) : host_(host) {}
    virtual ~Plugin() = default;

    virtual int retain() { return ++refCount_; }
    // At zero: tells the host the plugin is going, destroys it, then tells the host it is gone.
    virtual int release();
    virtual int refCount() { return refCount_; }
    virtual int getTag() { return tag_; }
    virtual PluginHost* getHost() { return host_; }
    virtual int queryInterface(const PluginString& id, void** out) = 0;

private:
    int refCount_ = 1;
    PluginHost* host_;
    int tag_ = 0;
};

} // namespace Tarn

// The entry function every plugin library exports with C linkage.
extern "C" typedef int (*GetPluginFunction)(PluginHost* host, Tarn::Plugin** out);
