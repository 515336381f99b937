#include "app/editor/playback_error.hpp"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>

namespace kestro {

QString playbackErrorMessage(const MediaError& error) {
    if (error.averror == AVERROR(EACCES) || error.averror == AVERROR(EPERM))
        return QStringLiteral("You don't have permission to read this file. Check file permissions.");
    if (error.averror == AVERROR_INVALIDDATA)
        return QStringLiteral("The video file appears to be corrupted or in an unsupported format.");
    if (error.averror == AVERROR(ENOENT))
        return QStringLiteral(
            "The selected file could not be found. It may have been moved or deleted.");
    if (error.averror != 0)
        return QStringLiteral(
            "The video format is not supported. Try converting to MP4 or MOV format.");
    return QStringLiteral("Error: ") + QString::fromStdString(error.message);
}

}  // namespace kestro
