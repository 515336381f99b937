#pragma once
// Small movies made at test time with the ffmpeg tool, and ffprobe/ffmpeg as an independent
// oracle for what our engine writes. Everything stays tiny (a few dozen frames, a few hundred
// pixels) so the suite runs in seconds.

#include "core/model/image.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestro::test {

namespace fs = std::filesystem;

// A fresh folder under the system temp dir, removed with everything in it on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    // Names of the entries in the folder, sorted (to see what an export left behind).
    std::vector<std::string> entries() const;

private:
    fs::path path_;
};

// The whole of a file's bytes ("" when it cannot be read).
std::string fileContents(const fs::path& path);

// Runs a shell command; its exit status. Standard error is kept quiet unless it fails.
int runCommand(const std::string& command);
std::string shellQuote(const std::string& text);

struct MovieShape {
    int width = 64;
    int height = 128;
    int fps = 30;
    double seconds = 1.0;
    bool audio = false;  // a 440 Hz tone, 44.1 kHz mono (so the export has to resample)
    // The picture: an ffmpeg lavfi video source (without size, rate and duration).
    std::string video = "testsrc2";
    bool bt709 = false;  // convert and tag as BT.709; untagged otherwise
    int rotation = 0;    // clockwise display rotation stored in the container
    std::string extraOutputArgs;
};

// An H.264 movie (.mp4 unless the name says otherwise) made from the recipe.
fs::path makeMovie(const fs::path& path, const MovieShape& recipe);

// A movie of one solid sRGB colour.
fs::path makeSolidMovie(const fs::path& path, int r, int g, int b, MovieShape recipe);

// A white movie whose picture turns part-way, as scrcpy records a phone that is turned: `frames`
// pictures of width x height, then as many of height x width, at 10 fps, in a Matroska file.
fs::path makeTurningMovie(const fs::path& path, int width, int height, int frames);

// A grey movie whose luma encodes its frame number n: Y = 16 + 6n (limited range), n < 36.
// frameNumberFromLuma() reads it back from a luma value as lumaAt() gives it (full range).
fs::path makeCountingMovie(const fs::path& path, int fps, int frames, int width = 64,
                           int height = 64);
int frameNumberFromLuma(int luma);

// Like a counting movie but for longer ones: Y = 16 + 3n, n < 73, keyframes exactly every `gop`
// frames and B-frames between, in the container the name says (.ts, .mkv, .mp4).
fs::path makeIndexedMovie(const fs::path& path, int fps, int frames, int gop);
int indexFromLuma(int luma);

// Pictures numbered as in makeIndexedMovie (n < 73) at `rate` ("30", "30000/1001"), shaped as
// other tools write recordings: `timing` is a filter run on them last (a setpts for variable
// timing, or ""), `encode` the codec, muxer and output options, the name's extension the
// container.
fs::path makeNumberedMovie(const fs::path& path, const std::string& rate, int frames,
                           const std::string& timing, const std::string& encode);

// Numbered pictures (Y = 16 + lumaStep x n) at irregular times, as a screen recorder writes
// them: picture n starts at tick ticks[n] (ascending, from 0) of a `rate` fps clock and is held
// until the next one; the last lasts one tick. `encode` holds the codec and output options.
// The pictures are picked out of a constant-rate stream, so each keeps its duration: from
// FFmpeg 7 on, setpts leaves retimed pictures without one, and the last would then fall
// outside the MP4's edit list.
fs::path makeHeldPicturesMovie(const fs::path& path, int rate, const std::vector<int>& ticks,
                               int lumaStep, const std::string& encode);

// A constant 10 fps recording with one wait: moving pictures, then picture 9 held for 3 s
// (0.9..3.9 s), then a second of motion again; 49 pictures, each encoded (with the loss
// `encode`'s options give), not marked as repeats.
fs::path makeWaitingMovie(const fs::path& path, int width, int height, const std::string& encode);

// A file the ffmpeg tool makes from `args` (inputs, filters, codecs); none when it fails.
fs::path makeWithFfmpeg(const fs::path& path, const std::string& args);

// A sound-only file (AAC in .m4a).
fs::path makeAudioOnly(const fs::path& path, double seconds);

// A device frame image: a bezel of `bezel` colour, a transparent opening inset by `inset`
// pixels, a transparent margin of `margin` pixels around the device, and the device's four
// corners cut off (transparent squares of side `corner`) as on a real phone.
Image makeFrameImage(int width, int height, int margin, int inset, Rgba bezel, int corner = 0);

struct StreamProbe {
    std::string codec, profile, tag, pixelFormat, colourSpace, colourRange;
    std::string colourTransfer, colourPrimaries;
    int width = 0, height = 0;
    std::int64_t frames = 0;  // counted by decoding
    double duration = 0;
    std::string frameRate;  // as ffprobe writes it: "30000/1001"
    int sampleRate = 0, channels = 0;
};

struct MovieProbe {
    std::optional<StreamProbe> video;
    std::optional<StreamProbe> audio;
    std::string container;  // format_name
    double duration = 0;
};

// ffprobe's view of a movie; none when ffprobe cannot read it.
std::optional<MovieProbe> probeMovie(const fs::path& path);

// Decoded pixels of one frame (by index), converted by ffmpeg to 8-bit RGBA.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    Rgba at(int x, int y) const;
    // The average over a square of side 2*radius+1 around (x, y): robust against codec noise.
    Rgba average(int x, int y, int radius) const;
};
std::optional<Picture> decodePicture(const fs::path& path, int frameIndex);

// Luma of every frame, sampled at (x, y). With `showRate`, of every picture a player shows at
// that rate (a variable-rate movie's held pictures repeated).
std::vector<int> lumaAt(const fs::path& path, int x, int y, int showRate = 0);

// ffprobe's "rotation" of the first video stream: the display matrix's angle, counter-clockwise.
int probedRotation(const fs::path& path);

// Total decoded sample count of the first audio stream.
std::int64_t audioSampleCount(const fs::path& path);

// The first audio stream decoded to 48 kHz mono 16-bit samples.
std::vector<std::int16_t> audioSamples(const fs::path& path);

// True when colours differ by at most `tolerance` per channel (alpha included).
bool near(Rgba a, Rgba b, int tolerance);

}  // namespace kestro::test
