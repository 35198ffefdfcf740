#pragma once

// Library files the cases start from, made once per process and copied for every run: a new
// library as the plugin creates it, and the same library filled with video files.

#include <QString>

// The URI of the i-th video file of the benchmarks.
QString videoUri(qint64 i);
// The node name the plugin gives that URI: the last section of its path.
QString videoName(qint64 i);

// A library the plugin has just created (schema, built-in playlists, version).
QString newLibraryTemplate();
// A new library holding video files 1..files (node ids 1..files), each in the built-in playlists
// of types 1 and 2 in that order; the first userItems of them also form the user playlist
// "Bench list" in that order.
QString filledLibraryTemplate(qint64 files, qint64 userItems = 0);

// The playlist id of the user playlist of a filled library.
const char* const kBenchListName = "Bench list";
