#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "file_row.h"

// One thing to report, in order: a file to inspect, or a problem met on the way.
struct Item {
    std::string strPath;
    std::string strProblem;
    std::string strExpected;  // the listed digest, when checking
    bool bWalked = false;     // met inside a walked folder: never waited on
};

struct Outcome {
    CFileRow row;
    std::string strError;
    bool bMissing = false;
};

// Inspects items on a few threads, a bounded number at a time, and hands each
// outcome to the sink on the calling thread in the order the items came. When no
// thread can be started the calling thread does all the work itself.
class Pipeline {
public:
    using Sink = std::function<void(const Item&, const Outcome&)>;
    Pipeline(const CInspectOptions& options, Sink sink);
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    void Push(Item item);
    // Waits for every item pushed so far and hands over its outcome.
    void Finish();
    size_t ThreadCount() const { return m_threads.size(); }

private:
    struct Slot {
        Item item;
        Outcome outcome;
        bool bClaimed = false;
        bool bDone = false;
    };

    void Work();
    void Process(Slot& slot, CByteBlock& buffer);
    // Hands over the oldest outcome, doing its work here when no thread took it.
    void DeliverFront(std::unique_lock<std::mutex>& lock);

    const CInspectOptions m_options;
    const Sink m_sink;
    std::mutex m_mutex;
    std::condition_variable m_cvWork;
    std::condition_variable m_cvDone;
    std::deque<Slot> m_slots;
    size_t m_nUnclaimed = 0;  // slots at the back of m_slots that no one has taken
    bool m_bStopping = false;
    std::vector<std::thread> m_threads;
    std::unique_ptr<CByteBlock> m_ownBuffer;
};
