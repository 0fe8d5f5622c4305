// Apartment bookkeeping per thread: counts, models, and the refusal to
// create objects before CoInitializeEx.
#include <gtest/gtest.h>

#include <thread>

#include "objbase.h"

namespace {
constexpr CLSID kAnyClass = {0xAAAAAAAA, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

TEST(ComApartment, CountsNestedInitialisationAndRefusesAnotherModel)
{
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        // Still initialised once: creation gets past the apartment check.
        void* p = nullptr;
        EXPECT_NE(CoGetClassObject(kAnyClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p),
                  CO_E_NOTINITIALIZED);
        CoUninitialize();
        EXPECT_EQ(CoGetClassObject(kAnyClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p),
                  CO_E_NOTINITIALIZED);
        // A call too many does nothing, and the thread can start again with
        // the other model.
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    }).join();
}

TEST(ComApartment, IsPerThread)
{
    std::thread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        std::thread([] {
            void* p = &p;
            EXPECT_EQ(CoCreateInstance(kAnyClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
                      CO_E_NOTINITIALIZED);
            EXPECT_EQ(p, nullptr);
        }).join();
        CoUninitialize();
    }).join();
}

TEST(ComApartment, ReservedArgumentMustBeNull)
{
    int reserved = 0;
    EXPECT_EQ(CoInitializeEx(&reserved, COINIT_APARTMENTTHREADED), E_INVALIDARG);
}
