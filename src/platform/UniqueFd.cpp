// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "UniqueFd.h"

#include <unistd.h>
#include <utility>

UniqueFd::~UniqueFd()
{
    close();
}

UniqueFd::UniqueFd(UniqueFd&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{ }

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool UniqueFd::close()
{
    if (m_fd < 0)
        return true;
    // Not retried on EINTR: on Linux the descriptor is gone either way, and a second close could
    // hit one another thread has opened since.
    return ::close(std::exchange(m_fd, -1)) == 0;
}
