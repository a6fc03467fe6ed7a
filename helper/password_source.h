#pragma once

#include <QString>

#include <cstdio>
#include <optional>

// Reads the helper's password: the first line of a file that only its owner may read or write
// (anything looser is refused, as the password would be exposed), or of a stream such as
// standard input. Returns nothing and fills error when the password cannot be had.
std::optional<QString> ReadPasswordFile(const QString& path, QString* error);
std::optional<QString> ReadPasswordStream(std::FILE* stream, QString* error);
