// Colours as players show them: every output decoded with the matrix and range it declares looks
// like its source decoded with the matrix and range the source declares (or, untagged, the one
// players assume for its size); HDR sources come out as their SDR versions would.

#include "core/export/export_request.hpp"
#include "core/media/player_frame_converter.hpp"
#include "core/media/video_reader.hpp"
#include "exporter_support.hpp"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace kestro {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

// The ffmpeg tool's names for a declared matrix and range; `untagged` when none is declared.
std::string matrixName(const std::string& declared, const std::string& untagged) {
    if (declared == "bt709") return "bt709";
    if (declared == "smpte170m" || declared == "bt470bg") return "bt601";
    if (declared == "bt2020nc") return "bt2020";
    return untagged;
}

// The average colour around (x, y) of a movie's frame `index`, decoded with the matrix and
// range the movie's video stream declares, spelled out to the ffmpeg tool; an untagged movie
// with the matrix players read it with, as the caller knows it.
std::optional<Rgba> declaredColour(const fs::path& movie, int index, int x, int y,
                                   const std::string& untagged = "none") {
    const auto probe = test::probeMovie(movie);
    if (!probe || !probe->video) return std::nullopt;
    const auto& v = *probe->video;
    const std::string matrix = matrixName(v.colourSpace, untagged);
    const std::string range = v.colourRange == "pc" ? "pc" : "tv";
    const fs::path raw = movie.string() + "." + std::to_string(index) + ".rgb";
    char crop[64];
    std::snprintf(crop, sizeof crop, "crop=7:7:%d:%d", x - 3, y - 3);
    if (test::makeWithFfmpeg(raw, "-i " + test::shellQuote(movie.string()) +
                                      " -vf \"select=eq(n\\," + std::to_string(index) +
                                      "),scale=in_color_matrix=" + matrix + ":in_range=" + range +
                                      "," + crop + ",format=rgb24\" -frames:v 1 -f rawvideo")
            .empty()) {
        return std::nullopt;
    }
    const std::string bytes = test::fileContents(raw);
    if (bytes.size() != 7 * 7 * 3) return std::nullopt;
    int sum[3] = {0, 0, 0};
    for (size_t i = 0; i < bytes.size(); ++i) sum[i % 3] += static_cast<std::uint8_t>(bytes[i]);
    auto avg = [](int s) { return static_cast<std::uint8_t>((s + 24) / 49); };
    return Rgba{avg(sum[0]), avg(sum[1]), avg(sum[2]), 255};
}

// How many luma values a w x h block of a movie's frame `index` holds, as coded; 0 when it
// cannot be read.
int lumaValuesIn(const fs::path& movie, int index, int x, int y, int w, int h) {
    const fs::path raw = movie.string() + "." + std::to_string(index) + ".gray";
    char crop[80];
    std::snprintf(crop, sizeof crop, "crop=%d:%d:%d:%d", w, h, x, y);
    if (test::makeWithFfmpeg(raw, "-i " + test::shellQuote(movie.string()) +
                                      " -vf \"select=eq(n\\," + std::to_string(index) + ")," +
                                      crop + ",extractplanes=y\" -frames:v 1 -f rawvideo")
            .empty()) {
        return 0;
    }
    const std::string bytes = test::fileContents(raw);
    if (bytes.size() != static_cast<size_t>(w * h)) return 0;
    return static_cast<int>(std::set<char>(bytes.begin(), bytes.end()).size());
}

::testing::AssertionResult near(const std::optional<Rgba>& got, const std::optional<Rgba>& want,
                                int tolerance) {
    if (!got || !want) return ::testing::AssertionFailure() << "not decoded";
    if (test::near(*got, *want, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << +got->r << "," << +got->g << "," << +got->b << ") where ("
           << +want->r << "," << +want->g << "," << +want->b << ") was expected";
}

struct Source {
    const char* kind;
    fs::path path;
    int width, height;
    const char* matrix;  // players' reading, for an untagged source
};

// A solid colour whose red differs by more than ten levels between the BT.601 and BT.709
// readings, and whose every channel moves with the range.
constexpr const char* kColour = "0xCA3C2D";

// Fifteen seconds at one picture a second: long enough for an App Store preview, cheap for the
// rest. Each source is converted from RGB with the matrix and range it declares (or, untagged,
// the one players will read it with).
class OutputColours : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir();
        struct Recipe {
            const char* kind;
            int width, height;
            const char* matrix;  // converted with
            const char* range;
            const char* tags;  // declared
        };
        const Recipe recipes[] = {
            {"BT.709 tagged, SD size", 64, 128, "bt709", "tv",
             "-colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv"},
            {"BT.601 tagged, HD size", 96, 1280, "bt601", "tv",
             "-colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m "
             "-color_range tv"},
            {"full range", 64, 128, "bt601", "pc", "-colorspace bt470bg -color_range pc"},
            {"untagged SD", 64, 128, "bt601", "tv", ""},
            // Portrait: 780 lines, fewer than 720 columns.
            {"untagged HD", 96, 780, "bt709", "tv", ""},
        };
        for (const Recipe& r : recipes) {
            const fs::path path = *dir_ / (std::to_string(sources_.size()) + ".mp4");
            const std::string args =
                std::string("-f lavfi -i color=c=") + kColour + ":s=" + std::to_string(r.width) +
                "x" + std::to_string(r.height) + ":r=1:d=15 -vf format=rgb24,scale=out_color_matrix=" +
                r.matrix + ":out_range=" + r.range + ",format=yuv420p " + r.tags +
                " -c:v libx264 -preset ultrafast -crf 6";
            ASSERT_FALSE(test::makeWithFfmpeg(path, args).empty()) << r.kind;
            sources_.push_back({r.kind, path, r.width, r.height, r.matrix});
        }
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
        sources_.clear();
    }

    // Exports every source with `config` and compares the output's centre (x, y) with the
    // source's centre, each decoded as declared.
    static void expectSourceColours(ExportConfig config, const std::string& extension, int x,
                                    int y) {
        for (const Source& source : sources_) {
            SCOPED_TRACE(source.kind);
            const fs::path out = *dir_ / (std::string("out.") + extension);
            ASSERT_TRUE(test::exported(source.path, config, out));
            const auto want =
                declaredColour(source.path, 0, source.width / 2, source.height / 2, source.matrix);
            EXPECT_TRUE(near(declaredColour(out, 0, x, y), want, 4));
        }
    }

    static inline ScratchDir* dir_ = nullptr;
    static inline std::vector<Source> sources_;
};

ExportConfig shortConfig(ExportFormat format) {
    ExportConfig config = test::smallConfig(format);
    config.trimEnd = 2;
    return config;
}

TEST_F(OutputColours, Mp4) {
    expectSourceColours(shortConfig(ExportFormat::mp4), "mp4", 100, 200);
}

TEST_F(OutputColours, Mov) {
    expectSourceColours(shortConfig(ExportFormat::mov), "mov", 100, 200);
}

TEST_F(OutputColours, WebM) {
    expectSourceColours(shortConfig(ExportFormat::webm), "webm", 100, 200);
}

TEST_F(OutputColours, AppStorePreview) {
    ExportChoices choices;
    choices.appStore = AppStorePreset::iphone;  // 886 x 1920, the recording filling its height
    choices.quality = ExportQuality::draft;
    choices.recordingSize = VideoSize{64, 128};
    ExportConfig config = buildExportConfig(choices, nullptr);
    config.fps = 2;  // the store's rules allow any rate up to 30; two keeps the test quick
    expectSourceColours(config, "mp4", 443, 960);
}

// HDR versions of one SDR picture (four bands: a saturated red, mid grey, a light and a dark
// grey), made as HDR video places SDR content: BT.709 to linear light with SDR white at the
// reference white of 203 cd/m², BT.2020 primaries, then PQ or HLG, 10-bit HEVC tagged
// accordingly. Read without tone mapping, their grey shows as 106 (PQ) or 114 (HLG).
class HdrSources : public ::testing::Test {
protected:
    static constexpr int kBands = 4;
    static std::string picture() {
        std::string graph;
        const char* colours[kBands] = {"0xCA3C2D", "0x808080", "0xDCDCDC", "0x303030"};
        for (int i = 0; i < kBands; ++i) {
            graph += std::string("color=c=") + colours[i] + ":s=64x40:r=10:d=0.3[b" +
                     std::to_string(i) + "];";
        }
        return "-f lavfi -i \"" + graph + "[b0][b1][b2][b3]vstack=inputs=4\"";
    }
    fs::path sdr() {
        return test::makeWithFfmpeg(
            dir / "sdr.mp4",
            picture() + " -vf format=rgb24,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p"
                        " -colorspace bt709 -color_primaries bt709 -color_trc bt709"
                        " -color_range tv -c:v libx264 -preset ultrafast -crf 6");
    }
    // Wide-gamut SDR versions: BT.2020 primaries with BT.709's transfer and the BT.2020 matrix
    // (some phones' SDR video), and Display P3 with the sRGB transfer (as Apple's captures are
    // tagged), its bands read as sRGB.
    fs::path wideGamut(const std::string& name) {
        const bool p3 = name == "p3";
        const std::string tags = p3 ? "-color_primaries smpte432 -color_trc iec61966-2-1 "
                                      "-colorspace bt709"
                                    : "-color_primaries bt2020 -color_trc bt709 "
                                      "-colorspace bt2020nc";
        return test::makeWithFfmpeg(
            dir / (name + ".mp4"),
            picture() + " -vf format=gbrp,setparams=range=pc:color_primaries=bt709:color_trc=" +
                (p3 ? "iec61966-2-1" : "bt709") +
                ",zscale=t=linear,format=gbrpf32le,zscale=" +
                (p3 ? "p=smpte432:t=iec61966-2-1:m=bt709" : "p=bt2020:t=bt709:m=bt2020nc") +
                ":r=tv,format=yuv420p -c:v libx264 -preset ultrafast -crf 6 -color_range tv " +
                tags);
    }
    fs::path hdr(const std::string& transfer) {
        return test::makeWithFfmpeg(
            dir / (transfer + ".mp4"),
            picture() +
                " -vf format=rgb24,scale=out_color_matrix=bt709:out_range=tv,format=yuv444p,"
                "setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709,"
                "zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt2020:t=" +
                transfer +
                ":m=bt2020nc:r=tv:npl=203,format=yuv420p10le"
                " -c:v libx265 -x265-params log-level=error:lossless=0:crf=8 -tag:v hvc1"
                " -color_primaries bt2020 -color_trc " +
                transfer + " -colorspace bt2020nc -color_range tv");
    }
    // The centre of each band as the small canvas's screen opening (38..362 high) shows it.
    static int bandY(int band) { return 38 + 324 * (2 * band + 1) / (2 * kBands); }

    ScratchDir dir;
};

TEST_F(HdrSources, ExportAsTheirSdrVersions) {
    const fs::path sdrMovie = sdr();
    ASSERT_FALSE(sdrMovie.empty());
    const fs::path sdrOut = dir / "sdr-out.mp4";
    ASSERT_TRUE(test::exported(sdrMovie, test::smallConfig(), sdrOut));
    for (const std::string transfer : {"smpte2084", "arib-std-b67"}) {
        SCOPED_TRACE(transfer);
        const fs::path source = hdr(transfer);
        ASSERT_FALSE(source.empty());
        for (const auto& [format, extension] :
             {std::pair{ExportFormat::mp4, "mp4"}, std::pair{ExportFormat::mov, "mov"}}) {
            const fs::path out = dir / ("out." + std::string(extension));
            ASSERT_TRUE(test::exported(source, test::smallConfig(format), out));
            for (int band = 0; band < kBands; ++band) {
                EXPECT_TRUE(near(declaredColour(out, 1, 100, bandY(band)),
                                 declaredColour(sdrOut, 1, 100, bandY(band)), 10))
                    << extension << " band " << band;
            }
            const auto probe = test::probeMovie(out);
            ASSERT_TRUE(probe && probe->video);
            EXPECT_EQ(std::tie(probe->video->colourPrimaries, probe->video->colourTransfer,
                               probe->video->colourSpace),
                      std::make_tuple("bt709", "bt709", "bt709"))
                << extension;
        }
    }
}

// A colour-managed player converts BT.2020 and P3 primaries for a BT.709 screen; read as BT.709
// primaries, the red band shows 35 (BT.2020) or 15 (P3) levels duller.
TEST_F(HdrSources, WideGamutSdrExportsAsPlayersShowIt) {
    const fs::path sdrMovie = sdr();
    ASSERT_FALSE(sdrMovie.empty());
    const fs::path sdrOut = dir / "sdr-out.mp4";
    ASSERT_TRUE(test::exported(sdrMovie, test::smallConfig(), sdrOut));
    for (const std::string name : {"bt2020", "p3"}) {
        SCOPED_TRACE(name);
        const fs::path source = wideGamut(name);
        ASSERT_FALSE(source.empty());
        const fs::path out = dir / (name + "-out.mp4");
        ASSERT_TRUE(test::exported(source, test::smallConfig(), out));
        for (int band = 0; band < kBands; ++band) {
            EXPECT_TRUE(near(declaredColour(out, 1, 100, bandY(band)),
                             declaredColour(sdrOut, 1, 100, bandY(band)), 5))
                << "band " << band;
            // Flat stays flat: an 8-bit picture is converted to 8 bits, not to 10 bits that
            // are then dithered into a pattern the encoder pays for.
            EXPECT_EQ(lumaValuesIn(out, 1, 84, bandY(band) - 8, 32, 16), 1) << "band " << band;
        }
    }
}

// The preview shows HDR and wide gamuts as the export does; at a preview's size, where it
// converts only the pixels it shows, as at full size.
TEST_F(HdrSources, PlayerShowsTheSdrVersion) {
    const fs::path sdrMovie = sdr();
    ASSERT_FALSE(sdrMovie.empty());
    auto firstImage = [](const fs::path& movie, int width) -> std::shared_ptr<Image> {
        auto reader = VideoReader::open(movie);
        if (!reader) return nullptr;
        auto frame = (*reader)->next();
        if (!frame || !*frame) return nullptr;
        return PlayerFrameConverter(0).convert(*(*frame)->frame, width, width * 5 / 2);
    };
    // The colour at the centre of a band.
    auto band = [](const Image& image, int index) {
        const std::uint8_t* p =
            image.pixel(image.width / 2, image.height * (2 * index + 1) / (2 * kBands));
        return Rgba{p[0], p[1], p[2], 255};
    };
    const auto want = firstImage(sdrMovie, 64);
    ASSERT_TRUE(want);
    for (const fs::path& source : {hdr("smpte2084"), wideGamut("bt2020")}) {
        SCOPED_TRACE(source.filename().string());
        const auto got = firstImage(source, 64);
        const auto small = firstImage(source, 26);
        ASSERT_TRUE(got && small);
        EXPECT_EQ(std::tie(small->width, small->height), std::make_tuple(26, 65));
        for (int index = 0; index < kBands; ++index) {
            EXPECT_TRUE(near(band(*got, index), band(*want, index), 10)) << "band " << index;
            EXPECT_TRUE(near(band(*small, index), band(*got, index), 5)) << "small, band " << index;
        }
    }
}

}  // namespace
}  // namespace kestro
