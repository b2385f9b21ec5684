#pragma once

#include <QTreeWidget>

namespace siteloom {

class Platform;

// The directory list: the chain of directories from the drive's root down to the open directory,
// each one indented below its parent, and the open directory's subdirectories below it (hidden ones
// left out). Opening an entry (double click, or Enter on the selected one) makes it the open
// directory; a change of the open directory, by the user or by setPath(), emits pathChanged() before
// it returns.
class DirectoryList final : public QTreeWidget
{
    Q_OBJECT

public:
    DirectoryList(Platform& platform, QWidget* parent);

    // The open directory, as an absolute path with symbolic links resolved.
    [[nodiscard]] QString path() const { return m_path; }
    // Opens the directory. A path that cannot be shown (empty, missing, not a directory) fails and
    // leaves the list as it was. A directory whose entries cannot be read opens without
    // subdirectories.
    [[nodiscard]] bool setPath(const QString& path);

signals:
    void pathChanged(const QString& path);

protected:
    // Enter opens the selected entry and goes no further: the window does not take it as well.
    void keyPressEvent(QKeyEvent* event) override;
    // The chain is always open: no expand or collapse marks beside the entries.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void openItem(QTreeWidgetItem* item);
    void showPath();

    Platform& m_platform;
    QString m_path;
};

} // namespace siteloom
