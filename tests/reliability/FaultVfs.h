#pragma once

// An SQLite VFS over the platform's own that counts the I/O calls made on every file SQLite
// opens (the library, its journal, an older release's database) and can make one of them
// misbehave: the k-th call fails once, every call from the k-th on fails, or the process is
// killed right after the k-th call has reached the disk. Registered as the default VFS, so every
// connection of the process uses it, the plugin's included; while it is not armed it only
// counts.

#include <QString>

#include <cstdint>

namespace orvtest {

class FaultVfs {
public:
    // The calls that are counted; an armed fault hits the k-th call among the selected kinds.
    enum Call : unsigned {
        Read = 1,
        Write = 2,
        Sync = 4,
        Truncate = 8,
        Delete = 16, // deleting a file: the journal's deletion commits a transaction
        DataCalls = Read | Write | Sync | Truncate,
        AllCalls = DataCalls | Delete,
    };
    enum Mode { CountOnly, FailOnce, FailFromThenOn, KillProcess };

    // Registers the VFS as the default one (once per process). Must run before a connection
    // that is to be watched opens its file.
    static void install();
    // Starts counting anew; the fault (unless CountOnly) hits the k-th selected call, k >= 1.
    static void arm(Mode mode, std::uint64_t k = 0, unsigned calls = DataCalls);
    // Back to counting only; the counts stay readable.
    static void disarm();

    // Selected calls made since the last arm.
    static std::uint64_t calls();
    // Whether the armed fault has hit a call.
    static bool fired();
    // The number (among selected calls) of the last deletion of a file whose name ends with
    // suffix, and of the first write to a file whose name ends with suffix; 0 for none.
    static std::uint64_t lastDeleteOf(const QString& suffix);
    static std::uint64_t firstWriteTo(const QString& suffix);
};

} // namespace orvtest
