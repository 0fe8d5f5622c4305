// Running part of a test in a mount namespace of its own, where it may
// mount file systems (a tmpfs, a read-only bind mount) that nobody else
// sees and that vanish with the child.
//
// The child forks from the test, leaves the test's mount namespace
// (unshare(CLONE_NEWNS)) and makes every mount private before it calls the
// body; the body returns "" on success or what went wrong, as with
// RunUnprivileged. Making a namespace needs CAP_SYS_ADMIN: where it is
// refused, the result is kNoMountNamespace and the test skips itself with
//   GTEST_SKIP() << "no mount namespace of its own may be made here";
#pragma once

#include <functional>
#include <string>

namespace twstesting {

inline constexpr const char* kNoMountNamespace = "no mount namespace may be made here";

std::string InOwnMountNamespace(const std::function<std::string()>& body);

}  // namespace twstesting
