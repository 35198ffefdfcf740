#pragma once

/// @file
/// The host's plugin framework as a plugin sees it: the allocator, the framework string, the
/// plugin base class and the host object that loads plugins.

#include <cstddef>

/// The host's plugin framework: plugin objects, their allocator and result codes.
namespace Tarn {

/// Allocator of the framework; only the character form exists.
template <typename T> class StandardAllocator;

/// Polymorphic allocator over the array form of the global allocator. Framework strings
/// remember the allocator that owns their characters and give them back to it.
template <> class StandardAllocator<char> {
public:
    /// Destroys the allocator; blocks it handed out must have been given back.
    virtual ~StandardAllocator() = default;
    /// A block of @p n characters.
    virtual char* allocate(std::size_t n) { return new char[n]; }
    /// Gives back a block that allocate() handed out.
    virtual void deallocate(char* p) { delete[] p; }

    /// The one process-wide instance of the loaded library, made on first use.
    static StandardAllocator<char>* shared();
};

} // namespace Tarn

/// Framework string value: NUL-terminated characters owned by an allocator. Interface
/// identifiers travel as PluginString, for instance to Tarn::Plugin::queryInterface.
class PluginString {
public:
    /// The empty string, holding no characters.
    PluginString() = default;
    /// Copies a NUL-terminated text (null counts as empty) into a block of the shared allocator.
    explicit PluginString(const char* text);
    /// Copies the characters into a block of @p other's allocator.
    PluginString(const PluginString& other);
    /// Gives the own characters back, then copies @p other's as the copy constructor does.
    PluginString& operator=(const PluginString& other);
    /// Gives the characters back to their allocator.
    ~PluginString();

    /// The characters, NUL-terminated; "" when the string holds none.
    const char* c_str() const { return data ? data : ""; }
    /// The number of characters, the terminator not counted.
    int size() const { return length; }
    /// Whether both hold the same characters, compared byte for byte and case-sensitively.
    bool operator==(const PluginString& other) const;

    /// The characters with their terminator, or null for the empty string.
    char* data = nullptr;
    /// The number of characters in #data, the terminator not counted.
    int length = 0;
    /// The allocator that owns #data.
    Tarn::StandardAllocator<char>* allocator = nullptr;

private:
    void assign(const char* text, int size, Tarn::StandardAllocator<char>* from);
    void free();
};

namespace Tarn {
class Plugin;
}

/// The host object given to a plugin's entry function (::GetPluginFunction). A plugin calls
/// only the two release callbacks, the ninth and tenth virtual operations; a host implements
/// the others as far as it loads plugins itself.
class PluginHost {
public:
    /// Destroys the host object; every plugin it created must be released by then.
    virtual ~PluginHost() = default;
    /// The version of the host's plugin contract.
    virtual int getHostVersion() = 0;
    /// The host's name, NUL-terminated, owned by the host.
    virtual const char* getHostName() = 0;
    /// Loads the plugin library at @p path; a Tarn::Result.
    virtual int loadPlugin(const char* path) = 0;
    /// Unloads the plugin library at @p path; a Tarn::Result.
    virtual int unloadPlugin(const char* path) = 0;
    /// The number of plugins the host holds.
    virtual int getPluginCount() = 0;
    /// The plugin at @p index, from 0 to getPluginCount() - 1; null for any other index.
    virtual Tarn::Plugin* getPluginAt(int index) = 0;
    /// Called when @p plugin took a reference; the plugin of this library never calls it.
    virtual int pluginRetained(Tarn::Plugin* plugin) = 0;
    /// Called by @p plugin when its last reference goes, before it is destroyed: from here on
    /// the host must not use the plugin's interfaces.
    virtual void pluginReleasing(Tarn::Plugin* plugin) = 0;
    /// Called after @p plugin was destroyed; the pointer is an identity only.
    virtual void pluginReleased(Tarn::Plugin* plugin) = 0;
};

namespace Tarn {

/// Result codes of the framework operations.
enum Result {
    ResultOk = 0,          ///< Success.
    ResultNotSupported = 3 ///< The operation or the interface is not supported.
};

/// Base of every plugin object: reference count, host pointer and the interface query. A new
/// plugin holds one reference, which belongs to whoever called the entry function.
class Plugin {
public:
    /// A plugin created for @p host, with one reference.
    explicit Plugin(PluginHost* host) : host_(host) {}
    /// Destroys the plugin; called by release() when the last reference goes.
    virtual ~Plugin() = default;

    /// Adds one reference; returns the new count.
    virtual int retain() { return ++refCount_; }
    /// Drops one reference. At zero: tells the host the plugin is going
    /// (PluginHost::pluginReleasing), destroys it, then tells the host it is gone
    /// (PluginHost::pluginReleased). Returns the new count, 0 once destroyed.
    virtual int release();
    /// The current reference count.
    virtual int refCount() { return refCount_; }
    /// The framework's tag word, 0.
    virtual int getTag() { return tag_; }
    /// The host the plugin was created for.
    virtual PluginHost* getHost() { return host_; }
    /// Asks for the interface named @p id. Stores it in @p out and returns ResultOk when the
    /// plugin serves it; otherwise stores null and returns ResultNotSupported. The interface
    /// belongs to the plugin and lives as long as it does; the count does not change.
    virtual int queryInterface(const PluginString& id, void** out) = 0;

private:
    int refCount_ = 1;
    PluginHost* host_;
    int tag_ = 0;
};

} // namespace Tarn

/// The entry function every plugin library exports with C linkage, as "_getPlugin": creates the
/// plugin object for @p host and stores it, with one reference for the caller, in @p out (null
/// when it could not be created). Returns 0.
extern "C" typedef int (*GetPluginFunction)(PluginHost* host, Tarn::Plugin** out);
