#include "DemoClips.h"

#include "LoadableModule.h"

bool writeDemoClip(const QByteArray& path, const DemoScene& scene, QString* error) {
    static LoadableModule module("libOrvDemoClips.so");
    const auto write =
        reinterpret_cast<WriteDemoClipFunction>(module.entry(ORV_DEMO_CLIP_ENTRY, error));
    return write && write(path, scene, error);
}
