#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

namespace siteloom {

class Platform;

// The list files last loaded or saved, newest first, kept in the settings store and shown in a
// menu: each entry is numbered (its access key) and asks for its file by openRequested.
class RecentFiles final : public QObject
{
    Q_OBJECT

public:
    // How many are kept.
    static constexpr int kept = 5;

    RecentFiles(Platform& platform, QMenu* menu, QObject* parent = nullptr);

    // The files as the store holds them now, newest first, without repeats.
    [[nodiscard]] QStringList paths() const;
    // Puts a file (made absolute) at the top.
    void remember(const QString& path);
    // Takes a file out of the list.
    void forget(const QString& path);

signals:
    void openRequested(const QString& path);

private:
    void store(const QStringList& paths);
    void fillMenu();

    Platform& m_platform;
    QMenu* m_menu;
};

} // namespace siteloom
