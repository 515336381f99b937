#include "app/editor/workflow_dialogs.hpp"

namespace kestro {

QString revealButtonText() {
#ifdef Q_OS_MACOS
    return QStringLiteral("Show in Finder");
#else
    return QStringLiteral("Show in Folder");
#endif
}

}  // namespace kestro
