#include "core/check/target_check.hpp"

#include "core/check/movie_facts.hpp"
#include "core/check/png_facts.hpp"
#include "core/export/app_store_rules.hpp"
#include "core/model/app_store_preset.hpp"
#include "core/model/google_play_preset.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

namespace kestro {

namespace {

// Slack on the length rule: containers round a stream's end to their time base, and sound
// ends on a whole AAC frame (about 21 ms at 48 kHz) past the last picture.
constexpr double kLengthSlackSeconds = 0.05;
// A movie said to run at 30 fps may average a hair above it from its timestamps' rounding.
constexpr double kFrameRateSlack = 0.01;

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "×" + std::to_string(height);
}

// Digits in groups of three: 500,000,000 bytes reads at a glance.
std::string grouped(std::uintmax_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), ",");
    }
    return digits;
}

std::string codecLabel(std::string_view codec) {
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"h264", "H.264"}, {"hevc", "HEVC"}, {"prores", "ProRes"}, {"vp8", "VP8"},
        {"vp9", "VP9"},    {"av1", "AV1"},   {"gif", "GIF"},       {"aac", "AAC"},
        {"opus", "Opus"},  {"mp3", "MP3"},   {"png", "PNG"},       {"mjpeg", "JPEG"},
    };
    for (const auto& [name, label] : kLabels) {
        if (name == codec) return std::string(label);
    }
    return std::string(codec);
}

std::string containerLabel(const std::string& container) {
    if (container == "mp4") return "MP4";
    if (container == "mov") return "QuickTime MOV";
    if (container == "webm") return "WebM";
    if (container == "gif") return "GIF";
    return container;
}

std::string rateText(double fps) {
    return fps > 0 ? format("%.4g fps", fps) : "unknown";
}

std::string hertzText(int rate) {
    return format("%.4g kHz", rate / 1000.0);
}

CheckRow row(std::string rule, std::string expected, std::string actual, bool pass) {
    return CheckRow{std::move(rule), std::move(expected), std::move(actual), pass};
}

CheckRow decodableRow(bool decodable, const std::string& why = {}) {
    return row("decodable", "yes",
               decodable     ? "yes"
               : why.empty() ? "no"
                             : "no: " + why,
               decodable);
}

CheckRow decodableRow(const MovieFacts& facts) {
    return decodableRow(facts.decodable, facts.picturesStop);
}

CheckRow containerRow(const MovieFacts& facts, const std::string& wanted) {
    return row("container", containerLabel(wanted), containerLabel(facts.container),
               facts.container == wanted);
}

CheckRow codecRow(const MovieFacts& facts, const std::string& wanted) {
    return row("video codec", codecLabel(wanted), codecLabel(facts.videoCodec),
               facts.videoCodec == wanted);
}

// The store's size in either orientation.
CheckRow sizeRow(const MovieFacts& facts, PresetSize portrait) {
    const bool pass = (facts.width == portrait.width && facts.height == portrait.height) ||
                      (facts.width == portrait.height && facts.height == portrait.width);
    return row("size",
               sizeText(portrait.width, portrait.height) + " or " +
                   sizeText(portrait.height, portrait.width),
               sizeText(facts.width, facts.height), pass);
}

std::string profileText(const MovieFacts& facts) {
    return facts.profile.empty() ? "unknown" : facts.profile;
}

void appStoreRows(const MovieFacts& facts, AppStorePreset preset, std::vector<CheckRow>& rows) {
    // The store takes .mp4, .m4v and .mov files alike (an M4V reads as MP4).
    rows.push_back(row("container", "MP4 or QuickTime MOV", containerLabel(facts.container),
                       facts.container == "mp4" || facts.container == "mov"));
    rows.push_back(codecRow(facts, "h264"));
    rows.push_back(sizeRow(facts, appStorePreviewSize(preset, false)));

    const bool h264 = facts.videoCodec == "h264";
    static constexpr std::string_view kProfiles[] = {"Constrained Baseline", "Baseline", "Main",
                                                     "High"};
    const bool profileOk = h264 && std::find(std::begin(kProfiles), std::end(kProfiles),
                                             facts.profile) != std::end(kProfiles);
    rows.push_back(row("profile", "High, Main or Baseline", profileText(facts), profileOk));
    const std::string level = facts.level > 0 ? format("%.1f", facts.level / 10.0) : "unknown";
    rows.push_back(row("level", "at most " + format("%.1f", kPreviewH264Level / 10.0), level,
                       h264 && facts.level > 0 && facts.level <= kPreviewH264Level));

    rows.push_back(
        row("frame rate", "at most " + std::to_string(kPreviewMaxFrameRate) + " fps",
            rateText(facts.frameRate),
            facts.frameRate > 0 && facts.frameRate <= kPreviewMaxFrameRate + kFrameRateSlack));
    rows.push_back(
        row("length",
            format("%.0f", kPreviewMinSeconds) + " to " + format("%.0f", kPreviewMaxSeconds) + " s",
            format("%.2f s", facts.duration),
            facts.duration >= kPreviewMinSeconds - kLengthSlackSeconds &&
                facts.duration <= kPreviewMaxSeconds + kLengthSlackSeconds));
    rows.push_back(row("video bit rate",
                       "at most " + format("%.0f Mbit/s", kPreviewVideoMaxRate / 1e6),
                       format("%.2f Mbit/s", static_cast<double>(facts.videoBitRate) / 1e6),
                       facts.videoBitRate > 0 && facts.videoBitRate <= kPreviewVideoMaxRate));

    // The store wants a sound track even for a silent app: one of silence is fine, none is not.
    const std::optional<AudioFacts>& audio = facts.audio;
    const std::string missing = "no sound track";
    rows.push_back(row("sound track", "present, even when silent", audio ? "present" : "none",
                       audio.has_value()));
    rows.push_back(row("audio codec", "AAC", audio ? codecLabel(audio->codec) : missing,
                       audio && audio->codec == "aac"));
    rows.push_back(row("audio channels", "2 (stereo)",
                       audio ? std::to_string(audio->channels) : missing,
                       audio && audio->channels == 2));
    rows.push_back(row("audio sample rate", "44.1 or 48 kHz",
                       audio ? hertzText(audio->sampleRate) : missing,
                       audio && (audio->sampleRate == 44100 || audio->sampleRate == 48000)));

    rows.push_back(row("file size", "at most " + grouped(kPreviewMaxBytes) + " bytes",
                       grouped(facts.fileBytes) + " bytes",
                       facts.fileBytes <= static_cast<std::uintmax_t>(kPreviewMaxBytes)));
    rows.push_back(decodableRow(facts));
}

void playPromoRows(const MovieFacts& facts, std::vector<CheckRow>& rows) {
    rows.push_back(containerRow(facts, "mp4"));
    rows.push_back(codecRow(facts, "h264"));
    rows.push_back(row("profile", "High", profileText(facts),
                       facts.videoCodec == "h264" && facts.profile == "High"));
    rows.push_back(sizeRow(facts, googlePlaySize(GooglePlayPreset::promo, false)));
    rows.push_back(row("audio codec", "AAC",
                       facts.audio ? codecLabel(facts.audio->codec) : "no sound track",
                       facts.audio && facts.audio->codec == "aac"));
    rows.push_back(decodableRow(facts));
}

// The plain formats: the container and codec Kestro writes them with, and transparency where
// the format always keeps it (ProRes 4444 in MOV).
void formatRows(const MovieFacts& facts, OutputTarget target, std::vector<CheckRow>& rows) {
    switch (target) {
        case OutputTarget::mp4:
            rows.push_back(containerRow(facts, "mp4"));
            rows.push_back(codecRow(facts, "h264"));
            break;
        case OutputTarget::mov:
            rows.push_back(containerRow(facts, "mov"));
            rows.push_back(codecRow(facts, "prores"));
            rows.push_back(row("alpha", "yes", facts.alpha ? "yes" : "no", facts.alpha));
            break;
        case OutputTarget::gif:
            rows.push_back(containerRow(facts, "gif"));
            rows.push_back(codecRow(facts, "gif"));
            break;
        case OutputTarget::webm:
            rows.push_back(containerRow(facts, "webm"));
            rows.push_back(codecRow(facts, "vp9"));
            break;
        default:
            break;
    }
    rows.push_back(decodableRow(facts));
}

std::optional<AppStorePreset> appStorePresetOf(OutputTarget target) {
    switch (target) {
        case OutputTarget::appStoreIphone:
            return AppStorePreset::iphone;
        case OutputTarget::appStoreIphone55:
            return AppStorePreset::iphone55;
        case OutputTarget::appStoreIpad:
            return AppStorePreset::ipad;
        default:
            return std::nullopt;
    }
}

void pictureRows(const PngFacts& facts, OutputTarget target, std::vector<CheckRow>& rows) {
    rows.push_back(row("format", "PNG", "PNG", true));
    if (target == OutputTarget::playFeatureGraphic) {
        const PresetSize size = googlePlaySize(GooglePlayPreset::featureGraphic, false);
        rows.push_back(row("size", sizeText(size.width, size.height),
                           sizeText(facts.width, facts.height),
                           facts.width == size.width && facts.height == size.height));
        rows.push_back(row("alpha", "none", facts.alpha ? "present" : "none", !facts.alpha));
    }
    rows.push_back(decodableRow(facts.decodable));
}

}  // namespace

bool CheckReport::passed() const {
    return !rows.empty() &&
           std::all_of(rows.begin(), rows.end(), [](const CheckRow& r) { return r.pass; });
}

Result<CheckReport, std::string> checkOutput(const std::string& path, OutputTarget target) {
    CheckReport report;
    report.target = target;
    if (isStill(target)) {
        auto facts = readPngFacts(path);
        if (!facts) return fail(facts.error());
        pictureRows(*facts, target, report.rows);
        return report;
    }
    auto facts = readMovieFacts(path);
    if (!facts) return fail(facts.error());
    if (const auto preset = appStorePresetOf(target)) {
        appStoreRows(*facts, *preset, report.rows);
    } else if (target == OutputTarget::playPromo) {
        playPromoRows(*facts, report.rows);
    } else {
        formatRows(*facts, target, report.rows);
    }
    return report;
}

}  // namespace kestro
