#include "FaultVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <csignal>
#include <map>
#include <mutex>
#include <string>

#include <unistd.h>

namespace orvtest {

namespace {

const char kVfsName[] = "orv-fault";

std::atomic<int> mode{FaultVfs::CountOnly};
std::atomic<std::uint64_t> target{0};
std::atomic<unsigned> selected{FaultVfs::DataCalls};
std::atomic<std::uint64_t> counted{0};
std::atomic<bool> hasFired{false};

// Per file name: the first write and the last deletion, numbered as counted.
std::mutex traceMutex;
std::map<std::string, std::uint64_t> firstWrites;
std::map<std::string, std::uint64_t> lastDeletes;

sqlite3_vfs* realVfs = nullptr;

// What the armed fault does to a call.
enum Outcome { Proceed, Fail, KillAfter };

// Counts a call and says what becomes of it. A kill lets the call reach the disk first, so
// that the k-th call is the last one the file sees (a kill at the journal's deletion leaves
// the transaction committed).
Outcome outcome(FaultVfs::Call call) {
    if (!(selected.load() & call))
        return Proceed;
    const std::uint64_t number = ++counted;
    const int armed = mode.load();
    const std::uint64_t k = target.load();
    bool hit = false;
    if (armed == FaultVfs::FailOnce || armed == FaultVfs::KillProcess)
        hit = number == k;
    else if (armed == FaultVfs::FailFromThenOn)
        hit = number >= k;
    if (!hit)
        return Proceed;
    hasFired = true;
    return armed == FaultVfs::KillProcess ? KillAfter : Fail;
}

// Runs a call that has been counted: fails it, or runs it and dies afterwards when asked.
template <typename Run> int perform(Outcome what, int error, Run run) {
    if (what == Fail)
        return error;
    const int rc = run();
    if (what == KillAfter)
        ::kill(::getpid(), SIGKILL);
    return rc;
}

void note(std::map<std::string, std::uint64_t>& trace, const char* name, bool keepFirst) {
    const std::lock_guard<std::mutex> lock(traceMutex);
    const std::string key = name ? name : "";
    if (!keepFirst || trace.find(key) == trace.end())
        trace[key] = counted.load();
}

std::uint64_t find(const std::map<std::string, std::uint64_t>& trace, const QString& suffix) {
    const std::lock_guard<std::mutex> lock(traceMutex);
    const std::string end = suffix.toStdString();
    std::uint64_t found = 0;
    for (const auto& [name, number] : trace) {
        if (name.size() >= end.size() &&
            name.compare(name.size() - end.size(), end.size(), end) == 0)
            found = std::max(found, number);
    }
    return found;
}

// A file of ours: the platform's file object follows it in the same block.
struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real;
    const char* name;
};

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<FaultFile*>(file)->real;
}

int faultClose(sqlite3_file* file) {
    return real(file)->pMethods->xClose(real(file));
}

int faultRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return perform(outcome(FaultVfs::Read), SQLITE_IOERR_READ,
                   [&] { return real(file)->pMethods->xRead(real(file), buffer, amount, offset); });
}

int faultWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    return perform(outcome(FaultVfs::Write), SQLITE_IOERR_WRITE, [&] {
        note(firstWrites, reinterpret_cast<FaultFile*>(file)->name, true);
        return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
    });
}

int faultTruncate(sqlite3_file* file, sqlite3_int64 size) {
    return perform(outcome(FaultVfs::Truncate), SQLITE_IOERR_TRUNCATE,
                   [&] { return real(file)->pMethods->xTruncate(real(file), size); });
}

int faultSync(sqlite3_file* file, int flags) {
    return perform(outcome(FaultVfs::Sync), SQLITE_IOERR_FSYNC,
                   [&] { return real(file)->pMethods->xSync(real(file), flags); });
}

int faultFileSize(sqlite3_file* file, sqlite3_int64* size) {
    return real(file)->pMethods->xFileSize(real(file), size);
}

int faultLock(sqlite3_file* file, int level) {
    return real(file)->pMethods->xLock(real(file), level);
}

int faultUnlock(sqlite3_file* file, int level) {
    return real(file)->pMethods->xUnlock(real(file), level);
}

int faultCheckReservedLock(sqlite3_file* file, int* reserved) {
    return real(file)->pMethods->xCheckReservedLock(real(file), reserved);
}

int faultFileControl(sqlite3_file* file, int op, void* arg) {
    return real(file)->pMethods->xFileControl(real(file), op, arg);
}

int faultSectorSize(sqlite3_file* file) {
    return real(file)->pMethods->xSectorSize(real(file));
}

int faultDeviceCharacteristics(sqlite3_file* file) {
    return real(file)->pMethods->xDeviceCharacteristics(real(file));
}

// Version 1: no shared memory and no memory-mapped pages, so every read goes through xRead.
// The library runs in the default rollback-journal mode, which needs neither.
const sqlite3_io_methods kFaultMethods = {
    1,
    faultClose,
    faultRead,
    faultWrite,
    faultTruncate,
    faultSync,
    faultFileSize,
    faultLock,
    faultUnlock,
    faultCheckReservedLock,
    faultFileControl,
    faultSectorSize,
    faultDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int faultOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* own = reinterpret_cast<FaultFile*>(file);
    own->real = reinterpret_cast<sqlite3_file*>(own + 1);
    own->name = name;
    own->base.pMethods = nullptr;
    const int rc = realVfs->xOpen(realVfs, name, own->real, flags, outFlags);
    // Without methods of its own the platform's file needs no close, and ours neither.
    if (own->real->pMethods)
        own->base.pMethods = &kFaultMethods;
    return rc;
}

int faultDelete(sqlite3_vfs*, const char* name, int syncDirectory) {
    return perform(outcome(FaultVfs::Delete), SQLITE_IOERR_DELETE, [&] {
        note(lastDeletes, name, false);
        return realVfs->xDelete(realVfs, name, syncDirectory);
    });
}

// The rest goes to the platform's VFS unchanged.
int faultAccess(sqlite3_vfs*, const char* name, int flags, int* result) {
    return realVfs->xAccess(realVfs, name, flags, result);
}
int faultFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return realVfs->xFullPathname(realVfs, name, size, out);
}
void* faultDlOpen(sqlite3_vfs*, const char* name) {
    return realVfs->xDlOpen(realVfs, name);
}
void faultDlError(sqlite3_vfs*, int size, char* message) {
    realVfs->xDlError(realVfs, size, message);
}
void (*faultDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return realVfs->xDlSym(realVfs, handle, symbol);
}
void faultDlClose(sqlite3_vfs*, void* handle) {
    realVfs->xDlClose(realVfs, handle);
}
int faultRandomness(sqlite3_vfs*, int size, char* out) {
    return realVfs->xRandomness(realVfs, size, out);
}
int faultSleep(sqlite3_vfs*, int microseconds) {
    return realVfs->xSleep(realVfs, microseconds);
}
int faultCurrentTime(sqlite3_vfs*, double* now) {
    return realVfs->xCurrentTime(realVfs, now);
}
int faultGetLastError(sqlite3_vfs*, int size, char* out) {
    return realVfs->xGetLastError(realVfs, size, out);
}
int faultCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    return realVfs->xCurrentTimeInt64(realVfs, now);
}

sqlite3_vfs faultVfs;

} // namespace

void FaultVfs::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        realVfs = sqlite3_vfs_find(nullptr);
        faultVfs = sqlite3_vfs{};
        faultVfs.iVersion = 2;
        faultVfs.szOsFile = int(sizeof(FaultFile)) + realVfs->szOsFile;
        faultVfs.mxPathname = realVfs->mxPathname;
        faultVfs.zName = kVfsName;
        faultVfs.xOpen = faultOpen;
        faultVfs.xDelete = faultDelete;
        faultVfs.xAccess = faultAccess;
        faultVfs.xFullPathname = faultFullPathname;
        faultVfs.xDlOpen = faultDlOpen;
        faultVfs.xDlError = faultDlError;
        faultVfs.xDlSym = faultDlSym;
        faultVfs.xDlClose = faultDlClose;
        faultVfs.xRandomness = faultRandomness;
        faultVfs.xSleep = faultSleep;
        faultVfs.xCurrentTime = faultCurrentTime;
        faultVfs.xGetLastError = faultGetLastError;
        faultVfs.xCurrentTimeInt64 = faultCurrentTimeInt64;
        sqlite3_vfs_register(&faultVfs, 1);
    });
}

void FaultVfs::arm(Mode armed, std::uint64_t k, unsigned calls) {
    mode = CountOnly;
    {
        const std::lock_guard<std::mutex> lock(traceMutex);
        firstWrites.clear();
        lastDeletes.clear();
    }
    counted = 0;
    hasFired = false;
    selected = calls;
    target = k;
    mode = armed;
}

void FaultVfs::disarm() {
    mode = CountOnly;
}

std::uint64_t FaultVfs::calls() {
    return counted.load();
}

bool FaultVfs::fired() {
    return hasFired.load();
}

std::uint64_t FaultVfs::lastDeleteOf(const QString& suffix) {
    return find(lastDeletes, suffix);
}

std::uint64_t FaultVfs::firstWriteTo(const QString& suffix) {
    return find(firstWrites, suffix);
}

} // namespace orvtest
