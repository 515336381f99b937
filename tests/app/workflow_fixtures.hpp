#pragma once
// Scripted panels for the export and recording workflows, and small helpers their tests share:
// waiting on the event loop and making a tiny movie with the ffmpeg tool.

#include "app/editor/workflow_dialogs.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <functional>
#include <optional>
#include <vector>

namespace kestro::test {

class ScriptedWorkflowDialogs : public WorkflowDialogs {
public:
    // Answers, and what the workflows asked.
    std::optional<QString> exportDestination;
    QStringList proposedExportNames;
    std::optional<QString> recordingsFolder;
    int folderPanels = 0;
    std::optional<QString> recordingFile;
    QStringList proposedRecordingNames;
    std::vector<std::optional<QString>> recordingStartFolders;
    QStringList successPaths;
    std::function<void()> successOk;
    std::function<void()> successReveal;
    QStringList revealed;

    std::optional<QString> chooseExportDestination(const QString& proposedName) override {
        proposedExportNames << proposedName;
        return exportDestination;
    }
    void presentExportSuccess(const QString& outputPath, std::function<void()> onOk,
                              std::function<void()> onReveal) override {
        successPaths << outputPath;
        successOk = std::move(onOk);
        successReveal = std::move(onReveal);
    }
    void revealFile(const QString& path) override { revealed << path; }
    std::optional<QString> chooseRecordingsFolder() override {
        ++folderPanels;
        return recordingsFolder;
    }
    std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder,
                                               const QString& proposedName) override {
        recordingStartFolders.push_back(startFolder);
        proposedRecordingNames << proposedName;
        return recordingFile;
    }
};

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// A short H.264 movie (with AAC sound when `withSound`) written by the ffmpeg tool.
inline bool makeMovie(const QString& path, double seconds, int width = 160, int height = 120,
                      bool withSound = true) {
    QStringList args{"-nostdin",
                     "-hide_banner",
                     "-loglevel",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QStringLiteral("testsrc=size=%1x%2:rate=15").arg(width).arg(height)};
    if (withSound)
        args << "-f"
             << "lavfi"
             << "-i"
             << "sine=frequency=440:sample_rate=48000";
    args << "-t" << QString::number(seconds) << "-c:v"
         << "libx264"
         << "-preset"
         << "ultrafast"
         << "-pix_fmt"
         << "yuv420p";
    if (withSound)
        args << "-c:a"
             << "aac"
             << "-shortest";
    args << path;
    return QProcess::execute(QStringLiteral(KESTRO_FFMPEG), args) == 0;
}

}  // namespace kestro::test
