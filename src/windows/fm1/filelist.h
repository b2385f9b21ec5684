#pragma once

#include <QListWidget>

namespace siteloom {

// The file list: the names of the files in one directory, sorted, hidden files and anything that is
// not a plain file (or a link to one) left out. Display only.
class FileList final : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget* parent = nullptr);

    [[nodiscard]] QString path() const { return m_path; }
    // Lists the files of the directory. Fails, keeping the path and the names shown, when the
    // directory cannot be read.
    [[nodiscard]] bool setPath(const QString& path);
    // Reads the directory again; when it can no longer be read, the names shown stay.
    void refresh();

private:
    [[nodiscard]] bool list(const QString& path);

    QString m_path;
};

} // namespace siteloom
