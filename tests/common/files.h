#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

// The whole file; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes path whole, making its folder when missing, with the given permission bits; returns
// path, or nothing when that fails.
inline QString WriteFile(const QString& path, const QByteArray& bytes, mode_t mode = 0600) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    file.close();
    return written && ::chmod(QFile::encodeName(path).constData(), mode) == 0 ? path : QString();
}

// The permission bits of path itself, not of what a link there points to; -1 when missing.
inline int Mode(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
