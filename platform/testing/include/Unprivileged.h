// Running part of a test as a user without privileges.
//
// Root may read and write every file, so the cases about folders that
// cannot be listed and files that cannot be written mean nothing as root.
// RunUnprivileged forks; when the test runs as root, the child drops to
// the user "nobody" (setresgid, setgroups, setresuid) before it calls the
// body, otherwise it keeps the test's own user. Nothing is exec'd, so the
// child needs no access to the build folder; work in a TTempFolder handed
// to UnprivilegedUid()/UnprivilegedGid() with GiveTo.
//
// The body returns an empty string on success, or what went wrong; the
// result is that text (or a note that the child died), so a test writes
//   EXPECT_EQ(RunUnprivileged([&] { ...; return std::string(); }), "");
#pragma once

#include <functional>
#include <string>

namespace twstesting {

// False where no such user can be had: on Windows (and under Wine, which
// runs every program with the rights of the Unix user that started it). A
// test of a refused permission skips itself there.
bool HasUnprivilegedUser();

unsigned UnprivilegedUid();
unsigned UnprivilegedGid();

std::string RunUnprivileged(const std::function<std::string()>& body);

}  // namespace twstesting
