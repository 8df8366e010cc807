#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "intake.h"
#include "test_files.h"

namespace {

using namespace std::chrono_literals;

// Takes until nRows rows and nRuns failed runs have come, or ten seconds pass.
CIntake::Output TakeAll(CIntake& intake, size_t nRows, size_t nRuns) {
    CIntake::Output all;
    for (auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < 10s;) {
        CIntake::Output output = intake.Take();
        for (CFileRow& row : output.rows)
            all.rows.push_back(std::move(row));
        for (auto& errors : output.failedRuns)
            all.failedRuns.push_back(std::move(errors));
        if (all.rows.size() >= nRows && all.failedRuns.size() >= nRuns)
            break;
        std::this_thread::sleep_for(5ms);
    }
    return all;
}

std::vector<std::string> Names(const CIntake::Output& output) {
    std::vector<std::string> names;
    for (const CFileRow& row : output.rows)
        names.push_back(row.m_strTexts[0].GetString());
    return names;
}

}  // namespace

// Rows come out in the order the runs began, each in the order of its paths, with
// several readers and a slow file ahead of quick ones; a run's failures are handed
// over together, in their places' order, errors found before reading included.
TEST(Intake, RowsKeepTheOrderOfRunsAndPaths) {
    TempDir dir;
    const std::string big = dir.Write("big", std::vector<uint8_t>(8 << 20, 7));
    std::vector<std::string> small;
    for (int i = 0; i < 6; ++i)
        small.push_back(dir.Write("s" + std::to_string(i), {}));
    std::atomic<int> nNotified{0};
    CIntake intake([&] { ++nNotified; }, 2);
    auto first = intake.BeginRun();
    auto second = intake.BeginRun();
    intake.AddError(*first, "found before reading");
    intake.Add(*first, big.c_str());
    intake.Add(*first, dir.PathOf("missing").c_str());
    intake.Add(*second, small[0].c_str());
    intake.Add(*first, small[1].c_str());
    intake.EndRun(*second);
    // The second run, ended first, must still wait for the first.
    std::this_thread::sleep_for(100ms);
    intake.Add(*first, small[2].c_str());
    intake.EndRun(*first);
    auto third = intake.BeginRun();
    for (int i = 3; i < 6; ++i)
        intake.Add(*third, small[i].c_str());
    intake.EndRun(*third);
    EXPECT_TRUE(intake.WaitUntilRead(*third));
    const CIntake::Output output = TakeAll(intake, 6, 1);
    EXPECT_EQ(Names(output), (std::vector<std::string>{"big", "s1", "s2", "s0", "s3", "s4", "s5"}));
    ASSERT_EQ(output.failedRuns.size(), 1u);
    ASSERT_EQ(output.failedRuns[0].size(), 2u);
    EXPECT_STREQ(output.failedRuns[0][0], "found before reading");
    EXPECT_NE(std::string(output.failedRuns[0][1].GetString()).find("missing"), std::string::npos);
    EXPECT_GT(nNotified.load(), 0);
    EXPECT_TRUE(intake.IsIdle());
}

// A run not yet ended holds back every later run; stopping releases whoever waits.
TEST(Intake, OpenRunHoldsLaterRunsUntilStopped) {
    TempDir dir;
    const std::string path = dir.Write("a", {});
    CIntake intake([] {}, 2);
    auto open = intake.BeginRun();
    auto later = intake.BeginRun();
    intake.Add(*later, path.c_str());
    intake.EndRun(*later);
    std::atomic<int> nWaitResult{-1};
    std::thread waiter([&] { nWaitResult = intake.WaitUntilRead(*later) ? 1 : 0; });
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(intake.Take().rows.empty());
    EXPECT_EQ(nWaitResult.load(), -1);
    EXPECT_FALSE(intake.IsIdle());
    intake.Stop();
    waiter.join();
    EXPECT_EQ(nWaitResult.load(), 0);
    EXPECT_TRUE(intake.IsStopping());
}
