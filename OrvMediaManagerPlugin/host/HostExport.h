#pragma once

/// @file
/// Symbols of the host library are visible to the host and to the plugins that link against it.

/// Marks a class of the host library whose symbols the library exports.
#define ORV_HOST_EXPORT __attribute__((visibility("default")))
