#include "app/editor/file_revealer.hpp"

#include <QDesktopServices>
#include <QFileInfo>

#ifdef Q_OS_MACOS
#include <QProcess>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace kestro {

QUrl containingFolderUrl(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absolutePath());
}

void revealInFileManager(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
#ifdef Q_OS_MACOS
    if (QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), absolute}))
        return;
    QDesktopServices::openUrl(containingFolderUrl(absolute));
#else
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(containingFolderUrl(absolute));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(absolute).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [absolute](QDBusPendingCallWatcher* w) {
                         if (QDBusPendingReply<> reply = *w; reply.isError())
                             QDesktopServices::openUrl(containingFolderUrl(absolute));
                         w->deleteLater();
                     });
#endif
}

}  // namespace kestro
