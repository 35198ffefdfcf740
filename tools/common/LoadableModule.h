#pragma once

// A module of this program's (a shared library beside the running program, or in the host
// programs' modules folder once installed) whose entries are resolved by name, loaded the first
// time one is asked for and kept until the process ends.
// Heavy libraries live in such modules so that a command that does not need them never pays
// for loading them.

#include <QString>

class LoadableModule {
public:
    explicit LoadableModule(const char* fileName) : fileName(fileName) {}
    LoadableModule(const LoadableModule&) = delete;
    LoadableModule& operator=(const LoadableModule&) = delete;

    // The entry of that name, or null after setting error to why not. Safe to call from
    // several threads at once.
    void* entry(const char* name, QString* error);

private:
    bool load(QString* error);

    const char* fileName;
    void* handle = nullptr;
    QString failure;
    bool tried = false;
};
