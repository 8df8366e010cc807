#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "file_row.h"

// Reads files for the list away from the window's thread. Each way of handing
// files over (a selection, a drop, a walk) fills a run of paths. Runs are read one
// after the other in the order they began, each in the order its paths came, so
// the rows come out in that order however many readers share the work. A file
// that cannot be read takes its place in that order as an error text; a run's
// errors are handed over together when the run ends.
class CIntake {
public:
    class Run;

    // What the window's thread takes: the rows finished since the last take, in
    // order, and the error texts of every run that ended with errors meanwhile.
    struct Output {
        std::vector<CFileRow> rows;
        std::vector<std::vector<CString>> failedRuns;
    };

    // notify runs on a reader's thread when output is waiting and has not been
    // announced since the last Take.
    CIntake(std::function<void()> notify, unsigned nReaders);
    ~CIntake();
    CIntake(const CIntake&) = delete;
    CIntake& operator=(const CIntake&) = delete;

    // A run takes its place behind every run begun before it.
    std::shared_ptr<Run> BeginRun();
    void Add(Run& run, const char* pszPath);
    // An error found before reading (a path that cannot be formed, say), in the
    // place a file would have had.
    void AddError(Run& run, const CString& strText);
    // No more paths come for the run.
    void EndRun(Run& run);
    // Blocks until every path of the ended run is read and handed over; false when
    // the intake stopped first.
    bool WaitUntilRead(const Run& run);

    Output Take();
    // No run waits to be read and nothing waits to be taken.
    bool IsIdle() const;
    // Reading stops after the files in hand; waiting callers are released. For good.
    void Stop();
    bool IsStopping() const;

private:
    struct Item;
    bool NextToRead(std::shared_ptr<Run>& run, size_t& nSeq);
    bool Deliver();
    void ReaderLoop();
    // True when it let go of the lock to announce.
    bool AnnounceOutput(std::unique_lock<std::mutex>& lock);

    static constexpr std::chrono::milliseconds kBatchInterval{200};

    std::function<void()> m_notify;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::shared_ptr<Run>> m_runs;
    Output m_output;
    bool m_bAnnounced = false;
    std::chrono::steady_clock::time_point m_lastAnnounced;
    bool m_bStop = false;
    std::vector<std::thread> m_readers;
};
