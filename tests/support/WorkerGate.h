#pragma once

#include "core/model/DocumentLoad.h"

#include <atomic>
#include <thread>

// Holds the worker of a document's load after the `at`-th node it hands over
// until the test releases it: the test then sees the tree as it stands at a
// known point of the load. The load must hand over more than `at` nodes.
class CWorkerGate
{
public:
    explicit CWorkerGate(int at) : m_at(at)
    {
        CDocumentLoad::SetHandedHookForTesting([this] {
            if (++m_handed != m_at)
                return;
            m_held = true;
            while (!m_released)
                std::this_thread::yield();
        });
    }
    // A test that ends early (a failed assertion) does not leave the worker held.
    ~CWorkerGate()
    {
        Release();
        CDocumentLoad::SetHandedHookForTesting(nullptr);
    }
    CWorkerGate(const CWorkerGate&) = delete;
    CWorkerGate& operator=(const CWorkerGate&) = delete;

    bool IsHeld() const { return m_held; }
    void WaitHeld() const
    {
        while (!m_held)
            std::this_thread::yield();
    }
    void Release() { m_released = true; }

private:
    int m_at;
    std::atomic<int> m_handed{0};
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_released{false};
};
