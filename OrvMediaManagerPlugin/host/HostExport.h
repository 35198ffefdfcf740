#pragma once

// Symbols of the host library are visible to the host and to the plugins that link against it.
#define ORV_HOST_EXPORT __attribute__((visibility("default")))
