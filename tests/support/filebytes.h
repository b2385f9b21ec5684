#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reading and writing test files byte for byte, for core and window tests alike.
namespace siteloom {

// The file's bytes, or an empty array when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace siteloom
