#pragma once

// The compiled resource bundle that carries the library schema script.

namespace VireoStudio {

// Resource path of the script; statements are separated by ";;".
inline constexpr char kSchemaResource[] = ":/Schema1.1";

// Registration is not counted: one unregister undoes any number of registers.
void registerSchemaResource();
void unregisterSchemaResource();

} // namespace VireoStudio
