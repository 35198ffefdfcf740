#pragma once

// A settings store on fresh hive files: the per-user hive below a temporary $XDG_CONFIG_HOME and
// the machine-wide hive below the first folder of a temporary $XDG_CONFIG_DIRS.

#include "settings/PluginSettings.h"
#include "settings/VireoSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

typedef vtl::RefCountedPtr<vds::IVireoSettings> SettingsPtr;

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path() + QStringLiteral("/config")));
        // Only the first folder holds the machine-wide hive.
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir->path() + QStringLiteral("/etc-xdg:") +
                                                     dir->path() + QStringLiteral("/second")));
    }
    void TearDown() override { VireoStudio::releaseSettings(); }

    QString userFile() const { return dir->path() + QStringLiteral("/config/Vireo/registry.reg"); }
    QString machineFile() const {
        return dir->path() + QStringLiteral("/etc-xdg/Vireo/registry.reg");
    }

    static void writeFile(const QString& path, const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A hive file with one key of the given root, below the plugin's node, and its value lines.
    static QByteArray hive(const char* root, const char* key, const char* values) {
        return QByteArray("Windows Registry Editor Version 5.00\n\n[") + root +
               "\\SOFTWARE\\Vireo\\Settings\\VireoStudio.MediaLibrary\\" + key + "]\n" + values +
               "\n";
    }

    // Opens a node; the returned pointer holds the one reference openSettings handed out.
    static SettingsPtr open(const char* path, int mode) {
        vds::IVireoSettings* raw = nullptr;
        if (!vds::openSettings(path, mode, nullptr, &raw))
            return SettingsPtr();
        SettingsPtr node(raw);
        raw->release();
        return node;
    }
    static SettingsPtr child(const SettingsPtr& node, const char* name) {
        vds::IVireoSettings* raw = nullptr;
        if (!node->getChild(name, &raw))
            return SettingsPtr();
        SettingsPtr held(raw);
        raw->release();
        return held;
    }

    std::unique_ptr<QTemporaryDir> dir;
};
