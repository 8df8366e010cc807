#include "pipeline.h"

#include <algorithm>
#include <system_error>

#include "../framework/byte_block.h"
#include "../framework/exceptions.h"
#include "../framework/file.h"

namespace {

// Enough to keep every thread busy behind a large file at the front, few enough
// that the outcomes waiting for it cost little memory.
constexpr size_t kMaxInFlight = 64;

}  // namespace

Pipeline::Pipeline(const CInspectOptions& options, Sink sink) : m_options(options), m_sink(std::move(sink)) {
    const size_t nWanted = std::min<size_t>(std::max(2u, std::thread::hardware_concurrency()), 8);
    for (size_t i = 0; i < nWanted; ++i) {
        // A system that refuses another thread gets the work done by fewer.
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

Pipeline::~Pipeline() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_cvWork.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void Pipeline::Push(Item item) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_slots.size() >= kMaxInFlight)
        DeliverFront(lock);
    m_slots.emplace_back();
    m_slots.back().item = std::move(item);
    m_nUnclaimed++;
    lock.unlock();
    m_cvWork.notify_one();
}

void Pipeline::Finish() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_slots.empty())
        DeliverFront(lock);
}

void Pipeline::DeliverFront(std::unique_lock<std::mutex>& lock) {
    Slot& front = m_slots.front();
    if (!front.bClaimed) {
        front.bClaimed = true;
        m_nUnclaimed--;
        lock.unlock();
        if (!m_ownBuffer)
            m_ownBuffer = std::make_unique<CByteBlock>(kInspectBufferBytes);
        Process(front, *m_ownBuffer);
        lock.lock();
        front.bDone = true;
    }
    m_cvDone.wait(lock, [&] { return front.bDone; });
    // Slots stay where they are while the sink runs: a deque keeps them in place.
    lock.unlock();
    m_sink(front.item, front.outcome);
    lock.lock();
    m_slots.pop_front();
}

void Pipeline::Work() {
    try {
        CByteBlock buffer(kInspectBufferBytes);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_cvWork.wait(lock, [&] { return m_bStopping || m_nUnclaimed > 0; });
            if (m_bStopping)
                return;
            Slot& slot = m_slots[m_slots.size() - m_nUnclaimed];
            slot.bClaimed = true;
            m_nUnclaimed--;
            lock.unlock();
            Process(slot, buffer);
            lock.lock();
            slot.bDone = true;
            m_cvDone.notify_all();
        }
    } catch (const CMemoryException&) {
        // Without a buffer this thread does nothing; the others and the caller go on.
    }
}

void Pipeline::Process(Slot& slot, CByteBlock& buffer) {
    const Item& item = slot.item;
    Outcome& outcome = slot.outcome;
    if (!item.strProblem.empty()) {
        outcome.strError = item.strProblem;
        return;
    }
    CInspectOptions options = m_options;
    options.bPlainFileOnly = item.bWalked;
    try {
        if (item.strPath == "-") {
            CFile file;
            file.OpenStandardInput();
            outcome.row = InspectOpenFile(file, "-", options, &buffer);
        } else {
            outcome.row = InspectFile(item.strPath.c_str(), options, &buffer);
        }
    } catch (const CFileException& e) {
        // Named as the user typed it, not as the system expanded it.
        outcome.strError = CFileException(e.m_cause, e.m_lOsError, item.strPath.c_str()).GetErrorMessage().GetString();
        outcome.bMissing = e.m_cause == CFileException::fileNotFound;
    } catch (const CException& e) {
        outcome.strError = item.strPath + ": " + e.GetErrorMessage().GetString();
    } catch (const std::exception& e) {
        outcome.strError = item.strPath + ": " + e.what();
    }
}
