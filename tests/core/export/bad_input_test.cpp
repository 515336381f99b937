// Inputs that are broken, hostile or merely unusual, tried one after the other: each either
// exports a movie that plays or fails with an error that says something, never crashes, and
// never touches an existing file at the destination or leaves anything beside it.

#include "exporter_support.hpp"

#include <unistd.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <string>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

enum class Outcome { exports, fails, either };

using Maker = std::function<fs::path(const fs::path& dir, std::optional<fs::path>& frame)>;

struct BadInput {
    std::string name;
    // The input `file`, made in a scratch folder by the ffmpeg command line with `args` between
    // the program and the file's name, or by `make` (which may also make a frame image).
    std::string file;
    std::string args;
    Outcome expected;
    std::string format = "mp4";
    Maker make = {};
};

// Failure messages name the input instead of dumping its bytes.
void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.name;
}

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

const std::string kPicture = "-f lavfi -i testsrc2=s=64x96:r=30:d=1 ";
const std::string kHdr =
    kPicture +
    "-c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -x265-params log-level=none "
    "-color_primaries bt2020 -colorspace bt2020nc ";

std::vector<BadInput> badInputs() {
    return {
        {"zero-length file", "empty.mp4", "", Outcome::fails, "mp4",
         [](const fs::path& dir, auto&) {
             writeBytes(dir / "empty.mp4", "");
             return dir / "empty.mp4";
         }},
        {"picture wider than the limit", "wide.png", "-f lavfi -i color=s=16400x2 -frames:v 1",
         Outcome::fails},
        {"folder as input", "folder.mp4", "", Outcome::fails, "mp4",
         [](const fs::path& dir, auto&) {
             fs::create_directory(dir / "folder.mp4");
             return dir / "folder.mp4";
         }},
        {"1 x 1 movie", "dot.mp4",
         "-f lavfi -i testsrc2=s=2x2:r=10:d=1 -vf scale=1:1 -c:v libx264 -preset ultrafast "
         "-pix_fmt yuv444p",
         Outcome::exports},
        {"frame image without an opening", "", "", Outcome::either, "mp4",
         [](const fs::path& dir, std::optional<fs::path>& frame) {
             frame = dir / "solid.png";
             (void)savePng(Image::filled(40, 80, {20, 20, 20, 255}), *frame);
             return test::makeMovie(dir / "in.mp4", {});
         }},
        // Shapes real recordings and tools produce.
        {"variable frame rate HEVC", "vfr.mov",
         kPicture +
             "-vf \"select='not(between(n,5,20))'\" -fps_mode vfr -c:v libx265 -preset ultrafast "
             "-x265-params log-level=none -tag:v hvc1",
         Outcome::exports},
        {"MPEG-TS", "in.ts", kPicture + "-f lavfi -i sine=d=1 -c:v mpeg2video -c:a mp2 -shortest",
         Outcome::exports},
        {"WebM with VP9", "in.webm", kPicture + "-c:v libvpx-vp9 -deadline realtime",
         Outcome::exports},
        {"sound longer than the picture", "long-sound.mp4",
         "-f lavfi -i testsrc2=s=64x96:r=30:d=0.5 -f lavfi -i sine=d=2 -c:v libx264 "
         "-preset ultrafast -c:a aac",
         Outcome::exports},
        {"10-bit HDR (PQ, BT.2020)", "hdr.mov", kHdr + "-color_trc smpte2084 -tag:v hvc1",
         Outcome::exports},
        {"10-bit HDR to MOV", "hdr.mov", kHdr + "-color_trc arib-std-b67", Outcome::exports, "mov"},
    };
}

class BadInputTable : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTable, ExportsOrFailsClearlyAndLeavesTheDestinationAlone) {
    const BadInput& input = GetParam();
    ScratchDir sources;
    ScratchDir out;
    std::optional<fs::path> frame;
    const fs::path path = input.make ? input.make(sources.path(), frame) : sources / input.file;
    if (!input.make) {
        ASSERT_FALSE(test::makeWithFfmpeg(path, input.args).empty());
    }
    const fs::path dest = out / ("movie." + input.format);
    writeBytes(dest, "earlier");

    const auto run = test::runExport(
        path, frame,
        test::smallConfig(exportFormatFromRaw(input.format).value_or(ExportFormat::mp4)), dest);
    if (run.result) {
        EXPECT_NE(input.expected, Outcome::fails) << "exported " << path;
        const auto probe = test::probeMovie(dest);
        ASSERT_TRUE(probe && probe->video) << "the movie does not play";
        EXPECT_GT(probe->duration, 0);
    } else {
        EXPECT_NE(input.expected, Outcome::exports)
            << run.result.error().errorDescription() << " / " << run.result.error().message();
        EXPECT_FALSE(run.result.error().errorDescription().empty());
        EXPECT_EQ(test::fileContents(dest), "earlier");
    }
    EXPECT_EQ(out.entries(), std::vector<std::string>{dest.filename().string()});
}

// One test per input, named after it, so they run side by side and report one by one.
INSTANTIATE_TEST_SUITE_P(Each, BadInputTable, ::testing::ValuesIn(badInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                             std::string name;
                             for (char c : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// Names a shell or a careless parser would trip on, for the source and the destination alike;
// the temporary file lives beside the destination, so an unusable TMPDIR changes nothing.
TEST(BadInput, AwkwardPathsAndAnUnusableTemporaryFolderWork) {
    ScratchDir dir;
    const fs::path movie = test::makeMovie(dir / "plain.mp4", {});
    ASSERT_FALSE(movie.empty());
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    ::setenv("TMPDIR", (dir / "missing" / "tmp").c_str(), 1);
    const std::vector<std::string> names = {
        "with spaces.mp4",       "quote's \"double\".mp4", "-leading-dash.mp4",  "new\nline.mp4",
        "not-utf8-\xff\xfe.mp4", "$(echo no).mp4",         "colon:like:url.mp4", "back\\slash.mp4",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        fs::copy_file(movie, dir / name);
        const fs::path dest = dir / ("out " + name);
        auto config = test::smallConfig();
        config.trimEnd = 0.2;
        const auto run = test::runExport(dir / name, std::nullopt, config, dest);
        EXPECT_TRUE(run.result) << run.result.error().errorDescription();
        EXPECT_TRUE(test::probeMovie(dest));
        fs::remove(dest);
        fs::remove(dir / name);
    }
    if (before) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"plain.mp4"});
}

}  // namespace
}  // namespace kestro
