#include "TarnPlugin.h"

#include <cstring>

namespace Tarn {

StandardAllocator<char>* StandardAllocator<char>::shared() {
    // Made once, on first use; destroyed when the library that holds it is unloaded.
    static StandardAllocator<char> instance;
    return &instance;
}

int Plugin::release() {
    const int count = --refCount_;
    if (count > 0)
        return count;
    PluginHost* const host = host_;
    Plugin* const self = this;
    if (host)
        host->pluginReleasing(self);
    delete this;
    // From here on the pointer is an identity only.
    if (host)
        host->pluginReleased(self);
    return 0;
}

} // namespace Tarn

PluginString::PluginString(const char* text) {
    assign(text, text ? int(std::strlen(text)) : 0, Tarn::StandardAllocator<char>::shared());
}

PluginString::PluginString(const PluginString& other) {
    assign(other.data, other.length, other.allocator);
}

PluginString& PluginString::operator=(const PluginString& other) {
    if (this != &other) {
        free();
        assign(other.data, other.length, other.allocator);
    }
    return *this;
}

PluginString::~PluginString() {
    free();
}

bool PluginString::operator==(const PluginString& other) const {
    return std::strcmp(c_str(), other.c_str()) == 0;
}

void PluginString::assign(const char* text, int size, Tarn::StandardAllocator<char>* from) {
    allocator = from;
    if (!text || !from) {
        data = nullptr;
        length = 0;
        return;
    }
    data = from->allocate(std::size_t(size) + 1);
    std::memcpy(data, text, std::size_t(size));
    data[size] = '\0';
    length = size;
}

void PluginString::free() {
    if (data && allocator)
        allocator->deallocate(data);
    data = nullptr;
    length = 0;
}
