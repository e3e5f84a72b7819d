// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns a file descriptor and closes it on every way out of its scope. Moves, never copies: two
// owners would close it twice, the second time perhaps another file opened meanwhile.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    { }
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    // Closes the descriptor now; false when close() reported an error (a write that did not reach
    // the disk, say), which the destructor could not tell anyone.
    bool close();

private:
    int m_fd = -1;
};
