#pragma once

// For a test's child process: permissions must bind for it as for anybody,
// also when the tests run as the superuser (as they do in CI). The child gives
// up every privilege by becoming nobody; a child that was never privileged
// cannot change and need not.

#include <grp.h>
#include <unistd.h>

namespace suite::testing {

// True when the process now runs without privileges: only a privileged
// process could take the superuser's id back.
inline bool becomeOrdinaryUser() {
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) == 0) (void)!(::setgid(kNobody) || ::setuid(kNobody));
    return ::setuid(0) != 0;
}

}  // namespace suite::testing
