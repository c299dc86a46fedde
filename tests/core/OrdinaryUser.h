#pragma once

#include <unistd.h>

// Acts as an ordinary user while it lives, so that a folder's permissions are obeyed when the
// tests run as root; for anyone else it changes nothing. Files the test wants that user to
// reach must be open to others.
class OrdinaryUser
{
public:
    OrdinaryUser()
    {
        if (geteuid() != 0)
            return;
        m_switched = setegid(Nobody) == 0 && seteuid(Nobody) == 0;
    }
    ~OrdinaryUser()
    {
        if (m_switched) {
            [[maybe_unused]] const int user = seteuid(0);
            [[maybe_unused]] const int group = setegid(0);
        }
    }
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

private:
    static constexpr uid_t Nobody = 65534;
    bool m_switched = false;
};
