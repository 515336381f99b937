#pragma once
// An MP4 or MOV that was never finished: its pictures are there, but the index box ("moov") that
// says where they are never came, as when a recorder is stopped before it saves (a crash, a
// pulled cable, a killed screenrecord). FFmpeg only calls such a file invalid data; this tells it
// apart, so that the user hears what happened to the recording.

#include <filesystem>

namespace kestro {

// True for a file made of ISO boxes (starting with ftyp, wide, free, skip or mdat) that holds
// media data but no moov box. Reads only the boxes' headers.
bool isUnfinishedIsoMovie(const std::filesystem::path& path);

}  // namespace kestro
