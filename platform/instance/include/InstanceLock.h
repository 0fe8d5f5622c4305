// One running copy of a program per user: a named lock (the lock file) and
// the knock a later start gives the holder (a local socket beside it).
//
// Both live in the user's runtime folder: $XDG_RUNTIME_DIR when it is a
// folder of ours closed to others, otherwise /tmp/tidewash-<uid>, created
// private (0700) and checked to be ours, a real folder and closed to
// others before anything is put in it. The lock goes with the process
// that holds it, also when that process dies.
#pragma once

#include <memory>
#include <string>

namespace twsinstance {

// The runtime folder, ending in "/". Raises Exception when no safe folder
// can be had.
std::string RuntimeFolder();

// The message id for a name: the same in every process, in the range of
// registered window messages (0xC000 to 0xFFFF).
unsigned MessageId(const std::string& name);

class TInstanceLock {
public:
    // Tries to take the lock of name; Owned() tells whether it was had.
    // Raises Exception when the runtime folder or the lock file cannot be
    // used. The holder listens for knocks from then on.
    explicit TInstanceLock(const std::string& name);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    bool Owned() const { return FListenFd >= 0; }
    // The holder's listening descriptor, readable while knocks wait; -1
    // for a copy that did not get the lock.
    int ListenFd() const { return FListenFd; }
    // Takes every waiting knock; returns how many there were.
    int TakeKnocks();

private:
    std::string FSocketPath;
    int FLockFd = -1;
    int FListenFd = -1;
};

// Tells the holder of name's lock that another copy started; false when
// nobody listens.
bool Knock(const std::string& name);

}  // namespace twsinstance
