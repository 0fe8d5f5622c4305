// TComImpl: the one reference count and QueryInterface of the runtime's
// objects, their tools' and their tests'.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "comimpl.h"
#include <windows.h>
#include "oaidl.h"

namespace {

// Two interfaces with IIDs of their own, and one the objects never list.
constexpr IID IID_IFirst = {0x7C000001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
constexpr IID IID_ISecond = {0x7C000002, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
struct IFirst : public IUnknown {
    virtual int STDMETHODCALLTYPE First() = 0;
};
struct ISecond : public IUnknown {
    virtual int STDMETHODCALLTYPE Second() = 0;
};

}  // namespace

TWS_INTERFACE_IID(IFirst, IID_IFirst);
TWS_INTERFACE_IID(ISecond, IID_ISecond);

namespace {

class TBoth final : public twscom::TComImpl<TBoth, IFirst, ISecond> {
public:
    explicit TBoth(int& alive) : FAlive(alive) { ++FAlive; }
    ~TBoth() { --FAlive; }
    int STDMETHODCALLTYPE First() override { return 1; }
    int STDMETHODCALLTYPE Second() override { return 2; }

private:
    int& FAlive;
};

// Held elsewhere: the last Release leaves it alone.
class TStackObject final : public twscom::TComImpl<TStackObject, IFirst> {
public:
    TStackObject() : TComImpl(1) {}
    void LastReleased() { ++LastReleases; }
    int STDMETHODCALLTYPE First() override { return 1; }
    int LastReleases = 0;
};

}  // namespace

TEST(ComImpl, AnswersIUnknownAndEachListedInterfaceWithOneIdentity)
{
    int alive = 0;
    auto* object = new TBoth(alive);
    EXPECT_EQ(object->RefCount(), 0u);
    struct TCase {
        const IID* Iid;
        HRESULT Result;
        void* Expected;
    };
    const TCase cases[] = {
        {&IID_IUnknown, S_OK, static_cast<IFirst*>(object)},
        {&IID_IFirst, S_OK, static_cast<IFirst*>(object)},
        {&IID_ISecond, S_OK, static_cast<ISecond*>(object)},
        {&IID_IDispatch, E_NOINTERFACE, nullptr},
        {&IID_IClassFactory, E_NOINTERFACE, nullptr},
    };
    ULONG held = 0;
    for (const TCase& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(*c.Iid, &out), c.Result);
        EXPECT_EQ(out, c.Expected);
        if (c.Result == S_OK)
            ++held;
        EXPECT_EQ(object->RefCount(), held) << "a reference for each interface handed out";
    }
    EXPECT_EQ(static_cast<ISecond*>(object)->Second(), 2);
    EXPECT_EQ(object->QueryInterface(IID_IFirst, nullptr), E_POINTER);
    EXPECT_EQ(object->RefCount(), held);

    // Every interface's Release counts on the one object; the last deletes it.
    IUnknown* second = static_cast<ISecond*>(object);
    for (ULONG i = held; i > 1; --i)
        EXPECT_EQ(second->Release(), i - 1);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST(ComImpl, CountsFromTheGivenStartAndLetsAnObjectHeldElsewhereLive)
{
    TStackObject object;
    EXPECT_EQ(object.AddRef(), 2u);
    EXPECT_EQ(object.Release(), 1u);
    EXPECT_EQ(object.LastReleases, 0);
    EXPECT_EQ(object.Release(), 0u);
    EXPECT_EQ(object.LastReleases, 1);
}

TEST(ComImpl, TheCountIsExactUnderReferencesFromManyThreads)
{
    TStackObject object;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&object] {
            for (int i = 0; i < 20000; ++i) {
                object.AddRef();
                object.Release();
                object.AddRef();
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(object.RefCount(), 1u + 4u * 20000u);
    EXPECT_EQ(object.LastReleases, 0);
}

TEST(ComImpl, NewObjectsAreHandedOutOrGoAgain)
{
    int alive = 0;
    void* out = nullptr;
    EXPECT_EQ(twscom::QueryNewObject(static_cast<IFirst*>(new TBoth(alive)), IID_ISecond, &out), S_OK);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(static_cast<ISecond*>(out)->Release(), 0u);
    EXPECT_EQ(alive, 0);

    EXPECT_EQ(twscom::QueryNewObject(static_cast<IFirst*>(new TBoth(alive)), IID_IDispatch, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(alive, 0) << "an object nobody could take must not stay behind";
}
