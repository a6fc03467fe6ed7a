#pragma once

#include <unistd.h>

namespace platform {

// Owns a descriptor (-1: none) and closes it when it goes.
class CUniqueFd {
public:
    explicit CUniqueFd(int fd) : m_fd(fd) {}
    ~CUniqueFd() {
        if (m_fd >= 0) close(m_fd);
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace platform
