#pragma once

// Small media files made by the ffmpeg command at test time: made once per build folder, under
// a lock, and shared by every test process of the scanner's suite.

#include <QByteArray>
#include <QString>

struct TestClip {
    const char* name;
    bool video;
    qint64 durationMs;  // what the generator was told; -1 for files that are not video
    const char* title;  // the title tag given, empty when none
    const char* reason; // why it is not video
};

// The clips, each made as its entry says.
const TestClip* testClips();
// The folder that holds them, made on first use; fails the calling test when ffmpeg fails.
QString testMediaFolder();
// The path of one clip.
QByteArray testClip(const char* name);
