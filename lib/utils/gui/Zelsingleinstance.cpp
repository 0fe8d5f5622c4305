#include "Zelsingleinstance.h"

#include "Forms.hpp"
#include "System.hpp"
#include "Zelforms.h"

namespace zelutils {

TZelSingleInstance::TZelSingleInstance(const char* name) { SetMutexName(name); }

TZelSingleInstance::~TZelSingleInstance() { Unregister(); }

void TZelSingleInstance::Initialize()
{
    IsFirstInstance = false;
    BringToFront = true;
}

void TZelSingleInstance::SetMutexName(const char* name)
{
    if (FMutex)
        throw Exception("A mutex already exists.");
    if (name == nullptr || *name == 0)
        throw Exception("A mutex name must be provided");
    FMessageId = twsinstance::MessageId(name);
    FMutex = std::make_unique<twsinstance::TInstanceLock>(name);
    IsFirstInstance = FMutex->Owned();
    if (!IsFirstInstance)
        twsinstance::Knock(name);
}

void TZelSingleInstance::Register(TInstanceEvent event)
{
    OnMessage = std::move(event);
    if (FHook || !FMutex || !FMutex->Owned())
        return;
    FHook = std::make_unique<QSocketNotifier>(FMutex->ListenFd(), QSocketNotifier::Read);
    QObject::connect(FHook.get(), &QSocketNotifier::activated, [this] { TakeKnocks(); });
}

void TZelSingleInstance::Unregister()
{
    OnMessage = nullptr;
    FHook.reset();
    FMutex.reset();
}

void TZelSingleInstance::TakeKnocks()
{
    for (int knocks = FMutex ? FMutex->TakeKnocks() : 0; knocks > 0; --knocks) {
        TMessage message;
        message.Msg = FMessageId;
        MessageHandler(message);
    }
}

bool TZelSingleInstance::MessageHandler(TMessage& message)
{
    if (FMessageId == 0 || message.Msg != FMessageId)
        return false;
    if (BringToFront) {
        if (OnBeforeBringToFront)
            OnBeforeBringToFront(this);
        ForceWindowToFront(Application->MainForm);
    }
    if (OnMessage)
        OnMessage(this);
    return true;
}

}  // namespace zelutils
