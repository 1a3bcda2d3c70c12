// Lowering the window thread's priority while it sits in the tray, and
// putting it back exactly. Each case runs on a thread of its own, so that
// the test program's main thread keeps its priority.
#include "core/platform/ProcessPriority.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

template <typename F> void OnOwnThread(F body)
{
    std::thread thread(body);
    thread.join();
}

} // namespace

TEST(ProcessPriority, ANiceValueIsRaisedOnlyWhenItCanBeLoweredAgain)
{
    // Privileged, or RLIMIT_NICE unlimited: the nice value.
    EXPECT_EQ(ChoosePriorityLowering(0, 0, true), PriorityLowering::NiceValue);
    EXPECT_EQ(ChoosePriorityLowering(0, -1, false), PriorityLowering::NiceValue);
    // Going back to nice n needs 20 - n <= RLIMIT_NICE.
    EXPECT_EQ(ChoosePriorityLowering(0, 20, false), PriorityLowering::NiceValue);
    EXPECT_EQ(ChoosePriorityLowering(0, 19, false), PriorityLowering::BatchPolicy);
    EXPECT_EQ(ChoosePriorityLowering(5, 15, false), PriorityLowering::NiceValue);
    // The default limit of 0: the batch policy, which a thread may always leave.
    EXPECT_EQ(ChoosePriorityLowering(0, 0, false), PriorityLowering::BatchPolicy);
    // Nothing is left to raise at 19.
    EXPECT_EQ(ChoosePriorityLowering(19, -1, true), PriorityLowering::BatchPolicy);
}

TEST(ProcessPriority, LoweredOnceAndRestoredExactly)
{
    OnOwnThread([] {
        const int nice = ThreadNiceValue();
        const bool batch = ThreadUsesBatchPolicy();
        ASSERT_FALSE(batch);
        EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);

        const PriorityLowering how = LowerThreadPriority();
        ASSERT_NE(how, PriorityLowering::None);
        EXPECT_EQ(ThreadPriorityLowering(), how);
        const int loweredNice = ThreadNiceValue();
        if (how == PriorityLowering::NiceValue) {
            EXPECT_EQ(loweredNice, std::min(19, nice + PriorityNiceStep));
        } else {
            EXPECT_TRUE(ThreadUsesBatchPolicy());
        }
        // A second hide changes nothing more.
        EXPECT_EQ(LowerThreadPriority(), how);
        EXPECT_EQ(ThreadNiceValue(), loweredNice);

        // A thread started meanwhile (a file operation's worker) inherits it.
        int workerNice = 0;
        bool workerBatch = false;
        std::thread worker([&] {
            workerNice = ThreadNiceValue();
            workerBatch = ThreadUsesBatchPolicy();
        });
        worker.join();
        EXPECT_EQ(workerNice, loweredNice);
        EXPECT_EQ(workerBatch, how == PriorityLowering::BatchPolicy);

        EXPECT_TRUE(RestoreThreadPriority());
        EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
        EXPECT_EQ(ThreadNiceValue(), nice);
        EXPECT_FALSE(ThreadUsesBatchPolicy());
        // Restoring twice is harmless.
        EXPECT_TRUE(RestoreThreadPriority());
        EXPECT_EQ(ThreadNiceValue(), nice);
    });
}

TEST(ProcessPriority, OnlyTheCallingThreadIsLowered)
{
    const int mainNice = ThreadNiceValue();
    OnOwnThread([] { ASSERT_NE(LowerThreadPriority(), PriorityLowering::None); });
    EXPECT_EQ(ThreadNiceValue(), mainNice);
    EXPECT_FALSE(ThreadUsesBatchPolicy());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
}
