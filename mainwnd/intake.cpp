#include "intake.h"

#include <algorithm>
#include <exception>

#include "exceptions.h"
#include "types.h"

struct CIntake::Item {
    CString strPath;
    CString strError;
    CFileRow row;
    bool bTaken = false;
    bool bDone = false;
};

class CIntake::Run {
public:
    std::deque<Item> m_items;
    // Sequence number of m_items.front(); items leave from the front once handed over.
    size_t m_nBase = 0;
    size_t m_nNextToRead = 0;
    bool m_bEnded = false;
    bool m_bRead = false;
    std::vector<CString> m_errors;
};

CIntake::CIntake(std::function<void()> notify, unsigned nReaders) : m_notify(std::move(notify)) {
    for (unsigned i = 0; i < nReaders; ++i)
        m_readers.emplace_back([this] { ReaderLoop(); });
}

CIntake::~CIntake() { Stop(); }

std::shared_ptr<CIntake::Run> CIntake::BeginRun() {
    auto run = std::make_shared<Run>();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runs.push_back(run);
    return run;
}

void CIntake::Add(Run& run, const char* pszPath) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run.m_items.emplace_back();
        run.m_items.back().strPath = pszPath;
    }
    m_cv.notify_all();
}

void CIntake::AddError(Run& run, const CString& strText) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run.m_items.emplace_back();
        run.m_items.back().strError = strText;
        run.m_items.back().bTaken = true;
        run.m_items.back().bDone = true;
    }
    m_cv.notify_all();
}

void CIntake::EndRun(Run& run) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run.m_bEnded = true;
    }
    m_cv.notify_all();
}

bool CIntake::WaitUntilRead(const Run& run) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_bStop || run.m_bRead; });
    return run.m_bRead;
}

CIntake::Output CIntake::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    Output output;
    std::swap(output, m_output);
    m_bAnnounced = false;
    return output;
}

bool CIntake::IsIdle() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_runs.empty() && m_output.rows.empty() && m_output.failedRuns.empty();
}

void CIntake::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cv.notify_all();
    for (std::thread& reader : m_readers)
        if (reader.joinable())
            reader.join();
}

bool CIntake::IsStopping() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStop;
}

// The next path in reading order. A run's paths may be read only once every
// earlier run has ended, so that no later run's row can overtake its rows.
bool CIntake::NextToRead(std::shared_ptr<Run>& run, size_t& nSeq) {
    for (const std::shared_ptr<Run>& candidate : m_runs) {
        Run& r = *candidate;
        // Errors found before reading are handed over without passing through here.
        r.m_nNextToRead = std::max(r.m_nNextToRead, r.m_nBase);
        while (r.m_nNextToRead < r.m_nBase + r.m_items.size()) {
            Item& item = r.m_items[r.m_nNextToRead - r.m_nBase];
            nSeq = r.m_nNextToRead++;
            if (!item.bTaken) {
                item.bTaken = true;
                run = candidate;
                return true;
            }
        }
        if (!r.m_bEnded)
            return false;
    }
    return false;
}

// Moves finished items from the front into the output; true when anything moved.
bool CIntake::Deliver() {
    bool bMoved = false;
    while (!m_runs.empty()) {
        Run& run = *m_runs.front();
        while (!run.m_items.empty() && run.m_items.front().bDone) {
            Item& item = run.m_items.front();
            if (item.strError.IsEmpty())
                m_output.rows.push_back(std::move(item.row));
            else
                run.m_errors.push_back(item.strError);
            run.m_items.pop_front();
            ++run.m_nBase;
            bMoved = true;
        }
        if (!run.m_items.empty() || !run.m_bEnded)
            break;
        if (!run.m_errors.empty())
            m_output.failedRuns.push_back(std::move(run.m_errors));
        run.m_bRead = true;
        m_runs.pop_front();
        bMoved = true;
    }
    return bMoved;
}

// Output is announced at most once a batch interval while files are being read,
// and at once when a reader finds nothing more to do, so the window redraws once a
// batch and the last rows never wait.
void CIntake::ReaderLoop() {
#ifdef _WIN32
    // When the processors are busy, the window's thread goes first.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        std::shared_ptr<Run> run;
        size_t nSeq = 0;
        const bool bWork = m_bStop || NextToRead(run, nSeq) || Deliver();
        if (!bWork) {
            // The lock is let go while announcing; anything added meanwhile is looked at first.
            if (!AnnounceOutput(lock))
                m_cv.wait(lock);
            continue;
        }
        if (m_bStop)
            return;
        if (run) {
            const CString strPath = run->m_items[nSeq - run->m_nBase].strPath;
            lock.unlock();
            CFileRow row;
            CString strError;
            // Nothing may end the reader: every failure becomes the file's error text.
            try {
                row = InspectFile(strPath);
            } catch (const CException& e) {
                strError = e.GetErrorMessage();
            } catch (const std::exception& e) {
                strError = strPath + ": " + e.what();
            }
            lock.lock();
            Item& item = run->m_items[nSeq - run->m_nBase];
            item.row = std::move(row);
            item.strError = strError;
            item.bDone = true;
            Deliver();
        }
        // Delivering may have ended a run that someone waits for.
        m_cv.notify_all();
        if (std::chrono::steady_clock::now() - m_lastAnnounced >= kBatchInterval)
            AnnounceOutput(lock);
    }
}

bool CIntake::AnnounceOutput(std::unique_lock<std::mutex>& lock) {
    if (m_bAnnounced || (m_output.rows.empty() && m_output.failedRuns.empty()))
        return false;
    m_bAnnounced = true;
    m_lastAnnounced = std::chrono::steady_clock::now();
    lock.unlock();
    m_notify();
    lock.lock();
    return true;
}
