// One running copy of a program: the first start holds a named lock, a
// later start with the same name finds it held and tells the first, which
// comes to the front and hears of it through OnMessage.
//
// The named lock and the message are the user's instance lock and its knock
// (InstanceLock.h); the first copy hears the knocks in its Qt event loop
// once Register has hooked it in.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "InstanceLock.h"
#include "Messages.hpp"

namespace zelutils {

class TZelSingleInstance {
public:
    using TInstanceEvent = std::function<void(TZelSingleInstance* sender)>;

    // True for the copy that holds the lock.
    bool IsFirstInstance = false;
    // Whether a later start brings the main form to the front.
    bool BringToFront = true;
    TInstanceEvent OnBeforeBringToFront;
    TInstanceEvent OnMessage;

    TZelSingleInstance() = default;
    // As the default constructor, then SetMutexName(name).
    explicit TZelSingleInstance(const char* name);
    virtual ~TZelSingleInstance();
    TZelSingleInstance(const TZelSingleInstance&) = delete;
    TZelSingleInstance& operator=(const TZelSingleInstance&) = delete;

    void Initialize();
    // Takes the lock of name, or, when another copy holds it, tells that
    // copy. Raises "A mutex already exists." when this object holds a lock
    // already and "A mutex name must be provided" for a null or empty name.
    void SetMutexName(const char* name);
    // Sets OnMessage and starts hearing later starts (the first copy only
    // hears anything).
    void Register(TInstanceEvent event);
    // Clears OnMessage, lets the lock go and stops hearing.
    void Unregister();
    // Handles the message of a later start (bringing the main form to the
    // front if BringToFront, then OnMessage); true when it was that
    // message, false for any other.
    bool MessageHandler(TMessage& message);

private:
    void TakeKnocks();

    std::unique_ptr<twsinstance::TInstanceLock> FMutex;
    unsigned FMessageId = 0;
    std::unique_ptr<QSocketNotifier> FHook;
};

}  // namespace zelutils
