#pragma once

#include <QString>

// Where the installed service reads its password.
inline constexpr char kDefaultPasswordFile[] = "/etc/dormo-helper/password";

// Asks for a new password and stores it at path, in the form --password-file reads. From a
// terminal it is asked twice with echo off; otherwise it is the first line of standard input.
// A password Dormo cannot send (empty, or longer than it sends) is refused. The file is replaced
// atomically, readable by this user only (0600); a missing folder is made with mode 0700.
// Returns the process exit status and reports on standard error.
int SetPassword(const QString& path);
