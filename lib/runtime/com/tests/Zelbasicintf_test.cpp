// TUnknown: the count from 0, self-destruction at the last Release, the
// IUnknown answer, and the layout that makes the object an IUnknown.
#include "Zelbasicintf.h"

#include <gtest/gtest.h>

#include "oaidl.h"

using zelcom::TUnknown;

namespace {

constexpr IID IID_ITicker = {0x1234ABCD, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

struct ITicker : public IUnknown {
    virtual int STDMETHODCALLTYPE Tick() = 0;
};

// A callback object as the wizard writes one: TUnknown plus an interface.
class TTicker final : public TUnknown, public ITicker {
public:
    explicit TTicker(bool& destroyed) : FDestroyed(destroyed) {}
    ~TTicker() override { FDestroyed = true; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv != nullptr && riid == IID_ITicker) {
            *ppv = static_cast<ITicker*>(this);
            AddRef();
            return S_OK;
        }
        return TUnknown::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return TUnknown::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return TUnknown::Release(); }
    int STDMETHODCALLTYPE Tick() override { return ++FTicks; }

private:
    bool& FDestroyed;
    int FTicks = 0;
};

}  // namespace

TEST(ZelcomTUnknown, CountsFromZeroAndDestroysItselfAtTheLastRelease)
{
    bool destroyed = false;
    auto* ticker = new TTicker(destroyed);
    EXPECT_EQ(ticker->AddRef(), 1u);
    EXPECT_EQ(ticker->AddRef(), 2u);
    EXPECT_EQ(ticker->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(ticker->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST(ZelcomTUnknown, AnswersIUnknownAndHandsTheRestToDerivedClasses)
{
    bool destroyed = false;
    auto* ticker = new TTicker(destroyed);
    ticker->AddRef();

    void* unknown = nullptr;
    ASSERT_EQ(ticker->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(static_cast<TUnknown*>(ticker)));
    ITicker* itf = nullptr;
    ASSERT_EQ(ticker->QueryInterface(IID_ITicker, reinterpret_cast<void**>(&itf)), S_OK);
    EXPECT_EQ(itf->Tick(), 1);
    void* other = &other;
    EXPECT_EQ(ticker->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(ticker->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // Three references now: the creator's and the two handed out.
    static_cast<IUnknown*>(unknown)->Release();
    itf->Release();
    EXPECT_FALSE(destroyed);
    ticker->Release();
    EXPECT_TRUE(destroyed);
}

TEST(ZelcomTUnknown, APointerToTheObjectIsAnIUnknownPointer)
{
    class TPlain final : public TUnknown {
    public:
        explicit TPlain(bool& destroyed) : FDestroyed(destroyed) {}
        ~TPlain() override { FDestroyed = true; }
        bool& FDestroyed;
    };
    bool destroyed = false;
    TUnknown* plain = new TPlain(destroyed);
    // The function table starts at the object's first word, with the three
    // IUnknown slots first: the object's own address is the interface.
    auto* asInterface = reinterpret_cast<IUnknown*>(static_cast<void*>(plain));
    EXPECT_EQ(asInterface->AddRef(), 1u);
    void* self = nullptr;
    ASSERT_EQ(asInterface->QueryInterface(IID_IUnknown, &self), S_OK);
    EXPECT_EQ(self, static_cast<void*>(plain));
    EXPECT_EQ(asInterface->Release(), 1u);
    EXPECT_EQ(asInterface->Release(), 0u);
    EXPECT_TRUE(destroyed);
}
