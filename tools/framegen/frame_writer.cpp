#include "frame_writer.hpp"

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "frame_drawing.hpp"
#include "png_output.hpp"

namespace kestro::framegen {

namespace fs = std::filesystem;

namespace {

// Names this generator produces; anything else in the folder is left alone.
bool looksGenerated(const std::string& name) {
    if (name.starts_with("iphone")) return name.ends_with("_portrait.png");
    return (name.starts_with("pixel") || name.starts_with("galaxy") || name.starts_with("ipad")) &&
           name.ends_with(".png");
}

bool writeOne(const FrameSpec& entry, const fs::path& folder, std::string& error) {
    SurfacePtr surface = drawFrame(*entry.model, *entry.colour);
    const fs::path target = folder / entry.fileName();
    // Written beside the target and renamed, so an interrupted build never leaves a torn PNG.
    // Appended rather than "." + string: GCC 12 at -O3 reports a false overlap (-Wrestrict).
    std::string hidden = ".";
    hidden += entry.fileName() + ".tmp";
    const fs::path temp = folder / hidden;
    std::error_code ec;
    if (!writePng(surface.get(), temp)) {
        fs::remove(temp, ec);
        error = "cannot write " + temp.string();
        return false;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        error = "cannot rename " + temp.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

bool writeAllFrames(const fs::path& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    const std::vector<FrameSpec> frames = allFrames();

    std::set<std::string> current;
    for (const auto& f : frames) current.insert(f.fileName());
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (looksGenerated(name) && !current.contains(name)) fs::remove(entry.path(), ec);
    }

    // The set is redrawn on every clean build; two workers halve the wait.
    std::atomic<size_t> next{0};
    std::mutex errorMutex;
    bool ok = true;
    auto work = [&] {
        for (size_t i = next++; i < frames.size(); i = next++) {
            std::string e;
            if (!writeOne(frames[i], folder, e)) {
                std::lock_guard lock(errorMutex);
                ok = false;
                error = e;
            }
        }
    };
    const unsigned workers = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < workers; ++i) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    return ok;
}

}  // namespace kestro::framegen
