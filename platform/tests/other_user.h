#pragma once
// Test helper: the file system seen by a user other than the one who made the test's
// files, as a person who did not install the program sees its folder.

#include <sys/types.h>
#include <unistd.h>

namespace otheruser {

// For the scope, the process's effective user and group are those of "nobody" (65534),
// so what root made (and did not open to others) cannot be written. Only a process that
// runs as root can switch; Switched() says whether it did (a test skips otherwise).
class AsOtherUser {
public:
    static constexpr uid_t kNobody = 65534;
    AsOtherUser() : switched_(::geteuid() == 0 && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0) {}
    ~AsOtherUser() {
        if (!switched_) return;
        [[maybe_unused]] const int user = ::seteuid(0);
        [[maybe_unused]] const int group = ::setegid(0);
    }
    AsOtherUser(const AsOtherUser&) = delete;
    AsOtherUser& operator=(const AsOtherUser&) = delete;
    bool Switched() const { return switched_; }

private:
    bool switched_;
};

}  // namespace otheruser
