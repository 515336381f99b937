// Each export target checked the way its destination reads it: ffprobe and ffmpeg (with the
// libvpx decoder for WebM alpha) as the oracle for what the engine writes.

#include "core/export/app_store_rules.hpp"
#include "core/export/export_request.hpp"
#include "core/export/export_target.hpp"
#include "core/media/output_file.hpp"
#include "exporter_support.hpp"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <tuple>

namespace kestro {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

std::optional<std::string> capture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[65536];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

// ffprobe's view of the first stream of `type` ("video", "audio"); empty when there is none.
nlohmann::json probeStream(const fs::path& movie, const std::string& type) {
    const auto out = capture(std::string(KESTRO_FFPROBE) + " -v error -show_streams -of json " +
                             test::shellQuote(movie.string()));
    const auto probe = out ? nlohmann::json::parse(*out, nullptr, false) : nlohmann::json{};
    if (!probe.is_object() || !probe.contains("streams")) return {};
    for (const auto& s : probe["streams"]) {
        if (s["codec_type"] == type) return s;
    }
    return {};
}

double number(const nlohmann::json& j, const char* key) {
    if (!j.contains(key)) return 0;
    return j[key].is_string() ? std::atof(j[key].get<std::string>().c_str()) : j[key].get<double>();
}

// Every frame as RGBA, decoded by ffmpeg with the named decoder (none: ffmpeg's choice).
std::vector<std::vector<std::uint8_t>> decodeAll(const fs::path& movie, int width, int height,
                                                 const std::string& decoder = {}) {
    const auto out = capture(std::string(KESTRO_FFMPEG) + " -nostdin -v error " +
                             (decoder.empty() ? "" : "-c:v " + decoder + " ") + "-i " +
                             test::shellQuote(movie.string()) + " -f rawvideo -pix_fmt rgba -");
    std::vector<std::vector<std::uint8_t>> frames;
    const size_t size = static_cast<size_t>(width) * height * 4;
    if (!out) return frames;
    for (size_t at = 0; at + size <= out->size(); at += size) {
        frames.emplace_back(out->begin() + static_cast<std::ptrdiff_t>(at),
                            out->begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    return frames;
}

std::uint8_t alphaAt(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
    return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3];
}

// A 200 x 400 canvas, the opening in the middle: corners are background, the centre video.
ExportConfig target(ExportFormat format, BackgroundFill background) {
    ExportConfig config = test::smallConfig(format);
    config.background = background;
    return config;
}

TEST(ExportTargets, WebmKeepsAlphaThatTheLibvpxDecoderGivesBack) {
    ScratchDir dir;
    const fs::path source = test::makeMovie(dir / "in.mp4", {.fps = 10, .audio = true});
    const fs::path clear = dir / "clear.webm";
    ASSERT_TRUE(
        test::exported(source, target(ExportFormat::webm, BackgroundFill::transparent()), clear));
    auto video = probeStream(clear, "video");
    EXPECT_EQ(video["codec_name"], "vp9");
    EXPECT_EQ(video["tags"].value("ALPHA_MODE", ""), "1");
    EXPECT_EQ(probeStream(clear, "audio")["codec_name"], "opus");

    const auto frames = decodeAll(clear, 200, 400, "libvpx-vp9");
    ASSERT_EQ(frames.size(), 10u);
    for (const auto& frame : {frames.front(), frames.back()}) {
        EXPECT_LE(alphaAt(frame, 200, 2, 2), 8);        // background: see-through
        EXPECT_GE(alphaAt(frame, 200, 100, 200), 247);  // the video: opaque
    }

    // Over a colour there is nothing to keep: plain 4:2:0, no alpha tag.
    const fs::path opaque = dir / "opaque.webm";
    ASSERT_TRUE(
        test::exported(source, target(ExportFormat::webm, BackgroundFill::white()), opaque));
    video = probeStream(opaque, "video");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_FALSE(video["tags"].contains("ALPHA_MODE"));
    const auto decoded = decodeAll(opaque, 200, 400, "libvpx-vp9");
    ASSERT_FALSE(decoded.empty());
    EXPECT_EQ(alphaAt(decoded.front(), 200, 2, 2), 255);
}

TEST(ExportTargets, GifHasOnePaletteForTheWholeExportLoopsAndIsClearOutsideTheDevice) {
    ScratchDir dir;
    // Colours that change through the movie: a palette per frame would differ frame to frame.
    const fs::path source =
        test::makeMovie(dir / "in.mp4", {.fps = 20, .seconds = 1.5, .video = "testsrc2"});

    ExportConfig config = target(ExportFormat::gif, BackgroundFill::transparent());
    config.fps = 10;
    const fs::path gif = dir / "out.gif";
    ASSERT_TRUE(test::exported(source, config, gif));

    const auto probe = test::probeMovie(gif);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->codec, "gif");
    EXPECT_EQ(probe->video->frames, 15);
    EXPECT_FALSE(probe->audio);

    // Loops forever: the NETSCAPE2.0 application block with a loop count of 0.
    const std::string bytes = test::fileContents(gif);
    const size_t loop = bytes.find("NETSCAPE2.0");
    ASSERT_NE(loop, std::string::npos);
    EXPECT_EQ(bytes.substr(loop + 13, 2), std::string(2, '\0'));

    const auto frames = decodeAll(gif, 200, 400);
    ASSERT_EQ(frames.size(), 15u);
    std::set<std::uint32_t> colours;
    for (const auto& frame : frames) {
        for (size_t i = 0; i < frame.size(); i += 4) {
            if (frame[i + 3] == 0) continue;
            colours.insert(frame[i] << 16 | frame[i + 1] << 8 | frame[i + 2]);
        }
        EXPECT_EQ(alphaAt(frame, 200, 2, 2), 0);
        EXPECT_EQ(alphaAt(frame, 200, 199, 399), 0);
        EXPECT_EQ(alphaAt(frame, 200, 100, 200), 255);
    }
    // One palette for every frame (at most 255 colours besides the transparent one), and
    // dithering that uses much of it on a colourful source.
    EXPECT_LE(colours.size(), 255u);
    EXPECT_GE(colours.size(), 64u);

    // Over a colour no pixel is see-through.
    const fs::path opaque = dir / "opaque.gif";
    config.background = BackgroundFill::color(0, 0, 1);
    ASSERT_TRUE(test::exported(source, config, opaque));
    const auto solid = decodeAll(opaque, 200, 400);
    ASSERT_EQ(solid.size(), 15u);
    for (size_t i = 3; i < solid.back().size(); i += 4) {
        ASSERT_EQ(solid.back()[i], 255) << "pixel " << i / 4;
    }
}

TEST(ExportTargets, AClearGifWithTheCameraInShowsEachPictureWhole) {
    ScratchDir dir;
    const fs::path source =
        test::makeMovie(dir / "in.mp4", {.fps = 20, .seconds = 1.5, .video = "testsrc2"});
    ExportConfig config = target(ExportFormat::gif, BackgroundFill::transparent());
    config.fps = 10;
    const fs::path plainGif = dir / "plain.gif";
    ASSERT_TRUE(test::exported(source, config, plainGif));
    // In on the video from 0.3 s to 1.1 s: held at 3x from 0.65 s to 0.75 s, where the video
    // fills the whole picture; at 1x again from 1.1 s.
    ZoomSegment zoom;
    zoom.start = 0.3;
    zoom.end = 1.1;
    zoom.scale = 3;
    config.camera = {zoom};
    const fs::path zoomedGif = dir / "zoomed.gif";
    ASSERT_TRUE(test::exported(source, config, zoomedGif));

    const auto plain = decodeAll(plainGif, 200, 400);
    const auto zoomed = decodeAll(zoomedGif, 200, 400);
    ASSERT_EQ(plain.size(), 15u);
    ASSERT_EQ(zoomed.size(), 15u);
    // Held: opaque throughout.
    for (int frame : {7}) {
        for (int y = 2; y < 400; y += 9) {
            for (int x = 2; x < 200; x += 7) {
                ASSERT_EQ(alphaAt(zoomed[frame], 200, x, y), 255)
                    << frame << " at " << x << "," << y;
            }
        }
    }
    // At 1x, before and after: see-through exactly where the export without the camera is,
    // with nothing of the zoomed pictures left showing through.
    for (int frame : {0, 2, 11, 12, 14}) {
        for (int y = 0; y < 400; y += 3) {
            for (int x = 0; x < 200; x += 3) {
                ASSERT_EQ(alphaAt(zoomed[frame], 200, x, y), alphaAt(plain[frame], 200, x, y))
                    << frame << " at " << x << "," << y;
            }
        }
    }
}

// The rate the user asks for wins, fractions included, and stays exact: 12.5 is 25/2.
TEST(ExportTargets, QualityTiersReachTheEncoderAndTheRequestedRateIsExact) {
    ScratchDir dir;
    const fs::path source = test::makeMovie(dir / "in.mp4", {.fps = 10});
    // libx264 writes the settings it ran with into the stream.
    auto settingsOf = [&](ExportQuality quality) {
        ExportConfig config = test::smallConfig();
        config.quality = quality;
        config.fps = 12.5;
        const fs::path out = dir / (std::string(rawValue(quality)) + ".mp4");
        EXPECT_TRUE(test::exported(source, config, out));
        const auto probe = test::probeMovie(out);
        EXPECT_TRUE(probe && probe->video);
        if (probe && probe->video) {
            EXPECT_EQ(probe->video->frameRate, "25/2");
            EXPECT_EQ(probe->video->frames, 13);  // ceil(1 s x 12.5)
        }
        return test::fileContents(out);
    };
    const std::string draft = settingsOf(ExportQuality::draft);
    EXPECT_THAT(draft, ::testing::HasSubstr("crf=23.0"));
    EXPECT_THAT(draft, ::testing::HasSubstr("subme=2"));  // veryfast
    EXPECT_THAT(settingsOf(ExportQuality::standard), ::testing::HasSubstr("crf=18.0"));
    const std::string best = settingsOf(ExportQuality::best);
    EXPECT_THAT(best, ::testing::HasSubstr("crf=16.0"));
    EXPECT_THAT(best, ::testing::HasSubstr("subme=8"));  // slow
}

TEST(ExportTargets, AppStorePreviewFollowsTheStoreEncodingRules) {
    ScratchDir dir;
    // Portrait, 60 fps, with sound, 15.2 s: within the length rule, above the rate cap. Already
    // BT.709, so that the 456 store-sized pictures skip the change of matrix (the colour tests
    // cover it), which is most of this test's time under the sanitizers. One flat colour: x264
    // spends 10 Mb/s on busy pictures at three times the CPU, and the rate asked for is read
    // from the settings it writes into the stream.
    const fs::path source = test::makeMovie(dir / "in.mp4", {.width = 120,
                                                             .height = 260,
                                                             .fps = 60,
                                                             .seconds = 15.2,
                                                             .audio = true,
                                                             .video = "color=c=0x3060c0",
                                                             .bt709 = true});

    ExportChoices choices;
    choices.appStore = AppStorePreset::iphone;
    choices.quality = ExportQuality::draft;  // the store's rate rules hold in every tier
    choices.background = BackgroundFill::color(1, 0, 0);
    choices.recordingSize = VideoSize{120, 260};
    const ExportConfig config = buildExportConfig(choices, nullptr);
    const fs::path out = dir / "preview.mp4";
    // A frame handed in anyway stays out of a preview.
    const Image frame = test::makeFrameImage(100, 200, 0, 10, Rgba{0, 255, 0, 255});
    const auto result =
        AVFExporter{}.exportVideo(source, std::make_shared<const Image>(frame), config, out);
    ASSERT_TRUE(result.ok()) << result.error().errorDescription();

    const auto video = probeStream(out, "video");
    const auto audio = probeStream(out, "audio");
    // Each rule read from the video stream, or from the sound where the video has no such key.
    const nlohmann::json rules = {
        {"codec_name", "h264"}, {"profile", "High"},      {"level", 40},
        {"width", 886},         {"height", 1920},         {"r_frame_rate", "30/1"},
        {"pix_fmt", "yuv420p"}, {"color_space", "bt709"}, {"sample_rate", "48000"},
        {"channels", 2}};
    for (const auto& [key, value] : rules.items()) {
        EXPECT_EQ(video.contains(key) ? video[key] : audio.value(key, nlohmann::json{}), value)
            << key;
    }
    const std::string stream = test::fileContents(out);
    for (const char* setting : {"bitrate=10000 ", "vbv_maxrate=12000 ", "vbv_bufsize=12000 "}) {
        EXPECT_THAT(stream, ::testing::HasSubstr(setting));
    }
    EXPECT_LE(number(video, "bit_rate"), 12e6);
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_NEAR(number(audio, "bit_rate"), 256000, 40000);

    // The recording fills the height (260 * 886 / 120 = 1920 at most), no frame is drawn and
    // no corner is rounded: the top corners show the video, not the green frame or red.
    const auto picture = test::decodePicture(out, 30);
    ASSERT_TRUE(picture);
    const Rgba corner = picture->average(443, 4, 2);
    const Rgba left = picture->average(2, 960, 1);
    EXPECT_FALSE(test::near(corner, Rgba{0, 255, 0, 255}, 60));
    EXPECT_FALSE(test::near(left, Rgba{255, 0, 0, 255}, 60)) << "the video reaches the sides";
}

TEST(ExportTargets, AppStorePreviewOfASilentRecordingCarriesASilentStereoTrack) {
    ScratchDir dir;
    const fs::path source = test::makeMovie(  // landscape
        dir / "in.mp4", {.width = 200, .height = 100, .fps = 1, .seconds = 15});
    ExportChoices choices;
    choices.appStore = AppStorePreset::ipad;
    choices.quality = ExportQuality::draft;
    choices.recordingSize = VideoSize{200, 100};
    const ExportConfig config = buildExportConfig(choices, nullptr);
    const fs::path out = dir / "preview.mp4";
    const auto result = AVFExporter{}.exportVideo(source, nullptr, config, out);
    ASSERT_TRUE(result.ok()) << result.error().errorDescription();

    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video && probe->audio);
    EXPECT_EQ(std::tie(probe->video->width, probe->video->height), std::make_tuple(1600, 1200));
    EXPECT_EQ(std::tie(probe->audio->codec, probe->audio->channels, probe->audio->sampleRate),
              std::make_tuple("aac", 2, 48000));
    EXPECT_NEAR(static_cast<double>(test::audioSampleCount(out)), 15.0 * 48000, 2048);
}

TEST(ExportTargets, PreviewsOutsideTheStoreLimitsAreRefusedBeforeAnythingIsWritten) {
    ScratchDir dir;
    const fs::path source = test::makeMovie(dir / "in.mp4", {.fps = 1, .seconds = 40});
    const fs::path out = dir / "preview.mp4";
    std::ofstream(out) << "an earlier preview";

    ExportChoices choices;
    choices.appStore = AppStorePreset::iphone;
    for (const auto& [start, end, shown] :
         {std::tuple{0.0, 12.5, "12.50"}, std::tuple{5.0, 35.25, "30.25"},
          std::tuple{0.0, 1e9, "40.00"}}) {
        choices.trimStart = start;
        choices.trimEnd = end;
        const auto result =
            AVFExporter{}.exportVideo(source, nullptr, buildExportConfig(choices, nullptr), out);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().kind(), ExportError::Kind::targetRequirement);
        // The user learns the length that was measured.
        EXPECT_THAT(result.error().errorDescription(), ::testing::HasSubstr(shown));
        EXPECT_TRUE(result.error().recoverySuggestion());
    }
    EXPECT_EQ(test::fileContents(out), "an earlier preview");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.mp4", "preview.mp4"}));
    // The limits themselves are allowed, an unknown length is not, and no allowed length is
    // refused for its size.
    EXPECT_FALSE(previewRuleBroken(15) || previewRuleBroken(30));
    EXPECT_TRUE(previewRuleBroken(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_LT(estimatedPreviewBytes(30), kPreviewMaxBytes);
}

TEST(ExportTargets, AGifTooLargeToGatherIsRefusedBeforeAnythingIsWritten) {
    ScratchDir dir;
    const fs::path source = test::makeMovie(dir / "in.mp4", {.fps = 1, .seconds = 4});
    ExportConfig config = test::smallConfig(ExportFormat::gif);
    // 4 s at 240 fps of 4000 x 4000: 960 pictures of 64 MB each.
    config.width = 4000;
    config.height = 4000;
    config.fps = 240;
    const auto result = AVFExporter{}.exportVideo(source, nullptr, config, dir / "big.gif");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind(), ExportError::Kind::targetRequirement);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.mp4"});
    // The default GIF of a long recording stays well inside the limit.
    EXPECT_FALSE(gifTooLarge(15 * 40, 600, 1216));
}

// A GIF is encoded while the movie is finished (its palette needs every picture first), so the
// finish reports each picture, for progress, and stops between two when asked, for cancel.
TEST(GifFinish, ThePalettePassReportsEachPictureAndStopsWhenAsked) {
    constexpr int kPictures = 8;
    for (const int stopAt : {0, 3}) {  // 0: never stopped
        ScratchDir dir;
        ExportConfig config;
        config.format = ExportFormat::gif;
        config.background = BackgroundFill::black();  // opaque: the compositor's 4:2:0 pictures
        const ExportTarget target = exportTarget(config);
        auto file = OutputFile::create(dir / "a.gif");
        ASSERT_TRUE(file);
        auto muxer = Muxer::create(target.container, (*file)->io(), (dir / "a.gif").string());
        ASSERT_TRUE(muxer);
        auto video = openTargetVideo(config, target, 64, 32, AVRational{15, 1}, ProResEncoder::aw,
                                     (*muxer)->needsGlobalHeader());
        ASSERT_TRUE(video) << video.error().message;
        ASSERT_TRUE((*muxer)->addStream(std::move(video->encoder), std::move(video->filter)));
        ASSERT_TRUE((*muxer)->writeHeader());
        for (int i = 0; i < kPictures; ++i) {
            AVFramePtr picture = makeFrame();
            picture->format = AV_PIX_FMT_YUV420P;
            picture->width = 64;
            picture->height = 32;
            ASSERT_GE(av_frame_get_buffer(picture.get(), 0), 0);
            for (int plane = 0; plane < 3; ++plane)
                std::memset(picture->data[plane], plane == 0 ? 16 + 20 * i : 128,
                            static_cast<size_t>(picture->linesize[plane]) * (plane ? 16 : 32));
            picture->pts = i;
            ASSERT_TRUE((*muxer)->encode(0, picture.get()));
        }
        int calls = 0;
        auto finished = (*muxer)->finish([&] { return ++calls != stopAt; });
        if (stopAt == 0) {
            EXPECT_TRUE(finished);
            EXPECT_EQ(calls, kPictures);
        } else {
            ASSERT_FALSE(finished);
            EXPECT_EQ(finished.error().averror, AVERROR_EXIT);
            EXPECT_EQ(calls, stopAt);
        }
    }
}

}  // namespace
}  // namespace kestro
