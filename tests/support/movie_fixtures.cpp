#include "support/movie_fixtures.hpp"

#include <nlohmann/json.hpp>

extern "C" {
#include <libavformat/version.h>
}

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace kestro::test {

namespace {

std::string ffmpeg() {
    return shellQuote(KESTRO_FFMPEG) + " -nostdin -v error -y ";
}

// Output of a command, binary-safe.
std::optional<std::string> capture(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    std::array<char, 1 << 16> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (status != 0) return std::nullopt;
    return out;
}

// What ffmpeg decodes from `path` with the output arguments `args`, written to a pipe.
std::optional<std::string> decoded(const fs::path& path, const std::string& args) {
    return capture(shellQuote(KESTRO_FFMPEG) + " -nostdin -v error -i " +
                   shellQuote(path.string()) + " " + args + " -");
}

}  // namespace

ScratchDir::ScratchDir() {
    std::random_device rd;
    for (;;) {
        path_ = fs::temp_directory_path() / ("kestro-test-" + std::to_string(rd()));
        if (fs::create_directory(path_)) break;
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::vector<std::string> ScratchDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileContents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int runCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path makeMovie(const fs::path& path, const MovieShape& recipe) {
    std::ostringstream cmd;
    const char* sep = recipe.video.find('=') == std::string::npos ? "=" : ":";
    cmd << ffmpeg() << "-f lavfi -i " << recipe.video << sep << "s=" << recipe.width << "x"
        << recipe.height << ":r=" << recipe.fps << ":d=" << recipe.seconds;
    if (recipe.audio) cmd << " -f lavfi -i sine=f=440:sample_rate=44100:d=" << recipe.seconds;
    if (recipe.bt709) {
        cmd << " -vf format=rgb24,scale=out_color_matrix=bt709:out_range=tv -colorspace bt709"
               " -color_primaries bt709 -color_trc bt709 -color_range tv";
    }
    cmd << " -c:v libx264 -preset ultrafast -crf 10 -pix_fmt yuv420p";
    if (recipe.audio) cmd << " -c:a aac -b:a 64k";
    const fs::path encoded =
        recipe.rotation != 0 ? fs::path(path.string() + ".unturned.mp4") : path;
    cmd << " " << recipe.extraOutputArgs << " " << shellQuote(encoded.string());
    if (runCommand(cmd.str()) != 0) return {};
    if (recipe.rotation != 0) {
#if LIBAVFORMAT_VERSION_MAJOR >= 60
        // FFmpeg 6 and later set the display matrix through an input option (the same matrix
        // the older tag made); from FFmpeg 7 on, the rotate tag is only a tag.
        const int status = runCommand(ffmpeg() + "-display_rotation:v:0 " +
                                      std::to_string(recipe.rotation) + " -i " +
                                      shellQuote(encoded.string()) + " -c copy " +
                                      shellQuote(path.string()));
#else
        // The ffmpeg tool turns the tag into a display matrix only when copying streams.
        const int status =
            runCommand(ffmpeg() + "-i " + shellQuote(encoded.string()) +
                       " -c copy -metadata:s:v:0 rotate=" + std::to_string(recipe.rotation) + " " +
                       shellQuote(path.string()));
#endif
        fs::remove(encoded);
        if (status != 0) return {};
    }
    return path;
}

fs::path makeSolidMovie(const fs::path& path, int r, int g, int b, MovieShape recipe) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "0x%02X%02X%02X", r, g, b);
    recipe.video = std::string("color=c=") + colour;
    return makeMovie(path, recipe);
}

fs::path makeTurningMovie(const fs::path& path, int width, int height, int frames) {
    const MovieShape part{.fps = 10, .seconds = frames / 10.0};
    const fs::path tall = path.string() + ".1.ts";
    const fs::path wide = path.string() + ".2.ts";
    MovieShape turned = part;
    turned.width = height;
    turned.height = width;
    MovieShape upright = part;
    upright.width = width;
    upright.height = height;
    if (makeSolidMovie(tall, 255, 255, 255, upright).empty() ||
        makeSolidMovie(wide, 255, 255, 255, turned).empty()) {
        return {};
    }
    // Transport streams join end to end; the ffmpeg tool mends the second part's times.
    const int status = runCommand("cat " + shellQuote(tall.string()) + " " +
                                  shellQuote(wide.string()) + " | " + ffmpeg() +
                                  "-i - -c copy " + shellQuote(path.string()));
    fs::remove(tall);
    fs::remove(wide);
    return status == 0 ? path : fs::path();
}

fs::path makeCountingMovie(const fs::path& path, int fps, int frames, int width, int height) {
    std::ostringstream args;
    args << "-f lavfi -i color=c=black:s=" << width << "x" << height << ":r=" << fps
         << " -frames:v " << frames << " -vf format=yuv420p,geq=lum='16+6*N':cb=128:cr=128"
         << " -c:v libx264 -preset ultrafast -qp 0 -g 8 -pix_fmt yuv420p";
    return makeWithFfmpeg(path, args.str());
}

fs::path makeIndexedMovie(const fs::path& path, int fps, int frames, int gop) {
    std::ostringstream args;
    args << "-f lavfi -i color=c=black:s=64x64:r=" << fps << " -frames:v " << frames
         << " -vf format=yuv420p,geq=lum='16+3*N':cb=128:cr=128"
         << " -c:v libx264 -preset ultrafast -qp 0 -bf 2 -g " << gop << " -keyint_min " << gop
         << " -sc_threshold 0 -pix_fmt yuv420p";
    return makeWithFfmpeg(path, args.str());
}

fs::path makeNumberedMovie(const fs::path& path, const std::string& rate, int frames,
                           const std::string& timing, const std::string& encode) {
    std::ostringstream args;
    args << "-f lavfi -i color=c=black:s=64x64:r=" << rate << " -frames:v " << frames
         << " -vf \"format=yuv420p,geq=lum='16+3*N':cb=128:cr=128"
         << (timing.empty() ? "" : "," + timing) << "\" -pix_fmt yuv420p " << encode;
    return makeWithFfmpeg(path, args.str());
}

fs::path makeHeldPicturesMovie(const fs::path& path, int rate, const std::vector<int>& ticks,
                               int lumaStep, const std::string& encode) {
    if (ticks.empty() || ticks.front() != 0) return {};
    // The picture number at tick N counts the starts passed; only the ticks that start a
    // picture are kept.
    std::string number = "0", starts = "eq(n,0)";
    for (size_t i = 1; i < ticks.size(); ++i) {
        number += "+gte(N," + std::to_string(ticks[i]) + ")";
        starts += "+eq(n," + std::to_string(ticks[i]) + ")";
    }
    std::ostringstream args;
    args << "-f lavfi -i color=c=black:s=64x64:r=" << rate << " -vf \"trim=end_frame="
         << ticks.back() + 1 << ",format=yuv420p,geq=lum='16+" << lumaStep << "*(" << number
         << ")':cb=128:cr=128,select='" << starts << "'\" -fps_mode vfr -pix_fmt yuv420p "
         << encode;
    return makeWithFfmpeg(path, args.str());
}

fs::path makeWaitingMovie(const fs::path& path, int width, int height,
                          const std::string& encode) {
    // N/10/TB would land on 11.999... for picture 12 and be cut to 11; and a retimed stream has
    // no rate from FFmpeg 7 on, so the rate is given to the encoder too.
    return makeWithFfmpeg(path, "-f lavfi -i testsrc2=s=" + std::to_string(width) + "x" +
                                    std::to_string(height) +
                                    ":r=10:d=2 -vf \"loop=loop=29:size=1:start=10,"
                                    "setpts=N/(10*TB)\" -r 10 " + encode);
}

int indexFromLuma(int luma) {
    return static_cast<int>(std::lround(luma * 219.0 / (255.0 * 3.0)));
}

int frameNumberFromLuma(int luma) {
    // ffmpeg hands grey back in full range: 16 + 6n becomes 6n x 255 / 219.
    return static_cast<int>(std::lround(luma * 219.0 / (255.0 * 6.0)));
}

fs::path makeWithFfmpeg(const fs::path& path, const std::string& args) {
    return runCommand(ffmpeg() + args + " " + shellQuote(path.string())) == 0 ? path : fs::path();
}

fs::path makeAudioOnly(const fs::path& path, double seconds) {
    return makeWithFfmpeg(path,
                          "-f lavfi -i sine=f=440:d=" + std::to_string(seconds) + " -c:a aac");
}

Image makeFrameImage(int width, int height, int margin, int inset, Rgba bezel, int corner) {
    Image image = Image::filled(width, height);
    image.fillRect(margin, margin, width - 2 * margin, height - 2 * margin, bezel);
    image.fillRect(margin + inset, margin + inset, width - 2 * (margin + inset),
                   height - 2 * (margin + inset), Rgba{0, 0, 0, 0});
    const int right = width - margin - corner;
    const int bottom = height - margin - corner;
    for (const auto& [x, y] : {std::pair{margin, margin}, std::pair{right, margin},
                               std::pair{margin, bottom}, std::pair{right, bottom}}) {
        image.fillRect(x, y, corner, corner, Rgba{0, 0, 0, 0});
    }
    return image;
}

std::optional<MovieProbe> probeMovie(const fs::path& path) {
    const auto out = capture(shellQuote(KESTRO_FFPROBE) +
                             " -v error -count_frames -show_streams -show_format -of json " +
                             shellQuote(path.string()));
    if (!out) return std::nullopt;
    const auto json = nlohmann::json::parse(*out, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    MovieProbe probe;
    // ffprobe writes some numbers as strings.
    auto number = [](const nlohmann::json& j, const char* key) -> double {
        const auto v = j.value(key, nlohmann::json());
        return v.is_number()   ? v.get<double>()
               : v.is_string() ? std::atof(v.get<std::string>().c_str())
                               : 0;
    };
    auto text = [](const nlohmann::json& j, const char* key) -> std::string {
        return j.contains(key) && j[key].is_string() ? j[key].get<std::string>() : "";
    };
    probe.container = text(json["format"], "format_name");
    probe.duration = number(json["format"], "duration");
    for (const auto& s : json["streams"]) {
        StreamProbe stream;
        stream.codec = text(s, "codec_name");
        stream.profile = text(s, "profile");
        stream.tag = text(s, "codec_tag_string");
        stream.pixelFormat = text(s, "pix_fmt");
        stream.colourSpace = text(s, "color_space");
        stream.colourRange = text(s, "color_range");
        stream.colourTransfer = text(s, "color_transfer");
        stream.colourPrimaries = text(s, "color_primaries");
        stream.width = static_cast<int>(number(s, "width"));
        stream.height = static_cast<int>(number(s, "height"));
        stream.frames = static_cast<std::int64_t>(number(s, "nb_read_frames"));
        stream.duration = number(s, "duration");
        stream.frameRate = text(s, "r_frame_rate");
        stream.sampleRate = static_cast<int>(number(s, "sample_rate"));
        stream.channels = static_cast<int>(number(s, "channels"));
        const std::string type = text(s, "codec_type");
        if (type == "video" && !probe.video) probe.video = stream;
        if (type == "audio" && !probe.audio) probe.audio = stream;
    }
    return probe;
}

Rgba Picture::at(int x, int y) const {
    const std::uint8_t* p = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

Rgba Picture::average(int x, int y, int radius) const {
    int sum[4] = {0, 0, 0, 0};
    const int count = (2 * radius + 1) * (2 * radius + 1);
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const Rgba c = at(std::clamp(x + dx, 0, width - 1), std::clamp(y + dy, 0, height - 1));
            const int v[4] = {c.r, c.g, c.b, c.a};
            for (int i = 0; i < 4; ++i) sum[i] += v[i];
        }
    auto avg = [&](int v) { return static_cast<std::uint8_t>((v + count / 2) / count); };
    return {avg(sum[0]), avg(sum[1]), avg(sum[2]), avg(sum[3])};
}

std::optional<Picture> decodePicture(const fs::path& path, int frameIndex) {
    const auto probe = probeMovie(path);
    if (!probe || !probe->video) return std::nullopt;
    const auto out = decoded(path, "-vf 'select=eq(n\\," + std::to_string(frameIndex) +
                                       ")' -frames:v 1 -f rawvideo -pix_fmt rgba");
    Picture picture;
    // ffmpeg shows turned movies upright, as a player would.
    const bool quarter = probedRotation(path) % 180 != 0;
    picture.width = quarter ? probe->video->height : probe->video->width;
    picture.height = quarter ? probe->video->width : probe->video->height;
    if (!out || out->size() != static_cast<size_t>(picture.width) * picture.height * 4) {
        return std::nullopt;
    }
    picture.rgba.assign(out->begin(), out->end());
    return picture;
}

std::vector<int> lumaAt(const fs::path& path, int x, int y, int showRate) {
    const auto probe = probeMovie(path);
    std::vector<int> values;
    if (!probe || !probe->video) return values;
    const std::string rate = showRate > 0 ? "fps=" + std::to_string(showRate) + "," : "";
    const auto out = decoded(path, "-vf " + rate + "crop=2:2:" + std::to_string(x) + ":" +
                                       std::to_string(y) + " -f rawvideo -pix_fmt gray");
    if (!out) return values;
    for (size_t i = 0; i + 4 <= out->size(); i += 4) {
        values.push_back(static_cast<std::uint8_t>((*out)[i]));
    }
    return values;
}

int probedRotation(const fs::path& path) {
    const auto out = capture(shellQuote(KESTRO_FFPROBE) +
                             " -v error -select_streams v:0 -show_entries stream_side_data=rotation"
                             " -of default=nw=1:nk=1 " +
                             shellQuote(path.string()));
    return out ? std::atoi(out->c_str()) : 0;
}

std::int64_t audioSampleCount(const fs::path& path) {
    const auto out = decoded(path, "-map 0:a:0 -f s16le -ac 1");
    if (!out) return -1;
    return static_cast<std::int64_t>(out->size() / 2);
}

std::vector<std::int16_t> audioSamples(const fs::path& path) {
    const auto out = decoded(path, "-map 0:a:0 -f s16le -ac 1 -ar 48000");
    std::vector<std::int16_t> samples;
    if (!out) return samples;
    samples.resize(out->size() / 2);
    std::memcpy(samples.data(), out->data(), samples.size() * 2);
    return samples;
}

bool near(Rgba a, Rgba b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

}  // namespace kestro::test
