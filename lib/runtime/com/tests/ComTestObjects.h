// A small aggregatable class and an outer object, for the tests of the
// server plumbing.
#pragma once

#include "System.hpp"
#include "Zelcomobject.h"
#include "comimpl.h"

constexpr IID IID_ICounter = {0x7A000001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
constexpr IID IID_INamed = {0x7A000002, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

struct ICounter : public IUnknown {
    virtual LONG STDMETHODCALLTYPE Next() = 0;
};
struct INamed : public IUnknown {
    virtual LONG STDMETHODCALLTYPE Id() = 0;
};

class TCounter final : public zelcom::TComObject<ICounter, INamed> {
public:
    static inline int Alive = 0;
    static inline bool FailNext = false;

    TCounter(zelcom::TModuleLockCount& module, IUnknown* outer) : TComObject(module, outer)
    {
        if (FailNext) {
            FailNext = false;
            throw Exception("TManagedConfig Section already exists: Files");
        }
        ++Alive;
    }
    ~TCounter() override { --Alive; }

    LONG STDMETHODCALLTYPE Next() override { return ++FValue; }
    LONG STDMETHODCALLTYPE Id() override { return 42; }

protected:
    void* FindInterface(REFIID riid) override
    {
        if (riid == IID_IUnknown || riid == IID_ICounter)
            return static_cast<ICounter*>(this);
        if (riid == IID_INamed)
            return static_cast<INamed*>(this);
        return nullptr;
    }

private:
    LONG FValue = 0;
};

// An outer object that holds an aggregated inner object and counts its own
// references (it lives on the stack, and starts with the one its owner
// holds); it hands every interface but IUnknown to the inner object.
class TOuter final : public twscom::TComImpl<TOuter, IUnknown> {
public:
    TOuter() : TComImpl(1) {}
    void LastReleased() {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid != IID_IUnknown && Inner != nullptr)
            return Inner->QueryInterface(riid, ppv);
        return TComImpl::QueryInterface(riid, ppv);
    }

    IUnknown* Inner = nullptr;
};
