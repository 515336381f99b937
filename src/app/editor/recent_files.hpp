#pragma once
// The movies opened lately, newest first, as File > Open Recent lists them. Kept in the
// preferences (key "recentFiles") so they survive a restart; a file that has gone since is
// dropped whenever the list is read, so the menu never offers something that cannot open.

#include <QObject>
#include <QStringList>

namespace kestro {

class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 8;
    static constexpr const char* kKey = "recentFiles";

    explicit RecentFiles(QObject* parent = nullptr);

    // The entries whose files still exist, newest first; the stored list is pruned to match.
    QStringList entries();
    // Puts `path` (made absolute) at the top, removing an earlier copy and the oldest entry
    // beyond the limit.
    void add(const QString& path);
    void clear();

signals:
    void changed();

private:
    void store(const QStringList& list);
};

}  // namespace kestro
