#pragma once
// Shows a file selected in the platform's file manager: Finder on macOS (`open -R`); elsewhere
// the freedesktop FileManager1 service over the session bus, which Nautilus, Dolphin, Nemo,
// Thunar and others implement. Without a session bus or such a service, the file's folder is
// opened instead, so the user still lands next to the file.

#include <QString>
#include <QUrl>

namespace kestro {

// Returns at once; the file manager is asked asynchronously.
void revealInFileManager(const QString& path);

// The folder opened when no file manager can select the file.
QUrl containingFolderUrl(const QString& path);

}  // namespace kestro
