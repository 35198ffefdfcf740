#pragma once

// The sample library's video files: short clips of painted landscapes, written by the demo so
// that its entries are files a person can open and that have pictures. The encoder lives in a
// module of its own (libOrvDemoClips.so, beside the program), loaded by the demo alone.

#include <QByteArray>
#include <QString>

// A painted landscape: a sky from top to horizon, a sun, and water or land below, moving a
// little over the clip's length.
struct DemoScene {
    unsigned skyTop = 0;    // 0xRRGGBB
    unsigned horizon = 0;   // 0xRRGGBB
    unsigned sun = 0;       // 0xRRGGBB
    unsigned ground = 0;    // 0xRRGGBB
    double sunX = 0.5;      // across, 0 to 1
    double sunHeight = 0.3; // above the horizon, 0 to 1
    bool water = true;      // ripples rather than hills
};

// Writes the clip at path (its container from the name: .mkv, .mp4, .avi): three seconds of
// 320x180 pictures. A clip that is there already is left alone. False with error set when it
// cannot be written.
bool writeDemoClip(const QByteArray& path, const DemoScene& scene, QString* error);

extern "C" {
typedef bool (*WriteDemoClipFunction)(const QByteArray& path, const DemoScene& scene,
                                      QString* error);
}
#define ORV_DEMO_CLIP_ENTRY "orvWriteDemoClip"
