#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "../../cleanup/change/ChangeSession.h"
#include "CapturedReport.h"
#include "ProcTestSupport.h"
#include "ServiceRemoval.h"
#include "TestSupport.h"

namespace {

using proctest::ServiceExists;
using proctest::ServiceState;
using proctest::StopMode;

const char kWatch[] = "QWatchSvc";
const char kPfw[] = "QPfwSvc";

// Pauses the operation asked for. The test services change state only when told
// to, so the operation need not sleep the whole time for the counts to hold; a
// tenth of it gives the service manager the moment it has in a real run to
// settle a stopped service before the next request.
std::vector<DWORD> g_pauses;
int g_queriesLeft = -1;  // queries that succeed before they start failing; -1 all

void WINAPI CountingSleep(DWORD ms) {
    g_pauses.push_back(ms);
    ::Sleep(ms / 10);
}
BOOL WINAPI LimitedQuery(SC_HANDLE service, LPSERVICE_STATUS status) {
    if (g_queriesLeft == 0) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (g_queriesLeft > 0) --g_queriesLeft;
    return ::QueryServiceStatus(service, status);
}

std::vector<DWORD> Pauses(std::initializer_list<DWORD> first, int shortOnes, std::initializer_list<DWORD> rest = {}) {
    std::vector<DWORD> v(first);
    v.insert(v.end(), shortOnes, 200);
    v.insert(v.end(), rest);
    return v;
}

class ServiceRemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServiceExists(kWatch)) << "the prefix already has " << kWatch;
        ASSERT_FALSE(ServiceExists(kPfw)) << "the prefix already has " << kPfw;
        proctest::ReleaseHeldServices(false);
        g_pauses.clear();
        g_queriesLeft = -1;
    }
    void TearDown() override {
        EXPECT_TRUE(proctest::RemoveTestService(kWatch));
        EXPECT_TRUE(proctest::RemoveTestService(kPfw));
    }

    static void Running(const char* name, StopMode mode) {
        ASSERT_TRUE(proctest::InstallTestService(name, mode)) << name;
        ASSERT_TRUE(proctest::StartTestService(name)) << name;
    }

    static int RunCounted() {
        ServiceWaitCalls calls = {CountingSleep, LimitedQuery};
        return RemoveProductServicesWith(calls);
    }
};

TEST_F(ServiceRemovalTest, NoneInstalledNoPause) {
    EXPECT_EQ(1, RunCounted());
    EXPECT_TRUE(g_pauses.empty());
}

TEST_F(ServiceRemovalTest, AlreadyStoppedIsDeletedWithoutAPause) {
    ASSERT_TRUE(proctest::InstallTestService(kWatch, StopMode::Quick));
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(kWatch));

    EXPECT_EQ(1, RunCounted());
    EXPECT_TRUE(g_pauses.empty());
    EXPECT_FALSE(ServiceExists(kWatch));
}

// In a new prefix Wine's service manager now and then refuses the first stop
// of a service that has just reported running (no pause then follows, rightly).
// Such a run is set up again, at most three times in all; what is asserted
// stays the same.
template <typename Scenario>
void UpToThreeTimes(Scenario scenario, size_t wantedPauses) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        g_pauses.clear();
        scenario();
        if (g_pauses.size() == wantedPauses) return;
        proctest::RemoveTestService(kWatch);
        proctest::RemoveTestService(kPfw);
        proctest::ReleaseHeldServices(false);
    }
}

void WINAPI RecordingRealSleep(DWORD ms) {
    g_pauses.push_back(ms);
    ::Sleep(ms);
}

TEST_F(ServiceRemovalTest, ServiceThatStopsAtOnceRealWaitOfTwoSecondsThenDeleted) {
    DWORD elapsed = 0;
    UpToThreeTimes([&] {
        Running(kWatch, StopMode::Quick);
        DWORD start = ::GetTickCount();
        ServiceWaitCalls calls = {RecordingRealSleep, ::QueryServiceStatus};
        EXPECT_EQ(1, RemoveProductServicesWith(calls));
        elapsed = ::GetTickCount() - start;
    }, 1);
    EXPECT_EQ((std::vector<DWORD>{2000}), g_pauses);
    EXPECT_GE(elapsed, 1980u);  // the tick count may lag the sleep by a tick
    EXPECT_FALSE(ServiceExists(kWatch));
}

TEST_F(ServiceRemovalTest, BothStopAtOnceOneLongPauseEach) {
    UpToThreeTimes([&] {
        Running(kWatch, StopMode::Quick);
        Running(kPfw, StopMode::Quick);
        EXPECT_EQ(1, RunCounted());
    }, 2);
    EXPECT_EQ((std::vector<DWORD>{2000, 2000}), g_pauses);
    EXPECT_FALSE(ServiceExists(kWatch));
    EXPECT_FALSE(ServiceExists(kPfw));
}

TEST_F(ServiceRemovalTest, StopPendingWatchGetsSixShortPausesAndIsMarkedForDeletionFirst) {
    UpToThreeTimes([&] {
        Running(kWatch, StopMode::Hold);
        Running(kPfw, StopMode::Quick);
        EXPECT_EQ(1, RunCounted());
    }, 8);
    // QWatchSvc first: the long pause, six short ones; then QPfwSvc's long pause.
    EXPECT_EQ(Pauses({2000}, 6, {2000}), g_pauses);
    EXPECT_FALSE(ServiceExists(kPfw));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), ServiceState(kWatch));

    // Marked for deletion: it goes once it has stopped.
    proctest::ReleaseHeldServices(true);
    EXPECT_TRUE(tolmtest::WaitUntil([] { return !ServiceExists(kWatch); }, 30000, 50));
}

TEST_F(ServiceRemovalTest, TheWaitCounterIsSharedSoTheSecondPendingServiceGetsOnePause) {
    UpToThreeTimes([&] {
        Running(kWatch, StopMode::Hold);
        Running(kPfw, StopMode::Hold);
        EXPECT_EQ(1, RunCounted());
    }, 9);
    EXPECT_EQ(Pauses({2000}, 6, {2000, 200}), g_pauses);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), ServiceState(kWatch));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), ServiceState(kPfw));

    proctest::ReleaseHeldServices(true);
    EXPECT_TRUE(tolmtest::WaitUntil([] { return !ServiceExists(kWatch) && !ServiceExists(kPfw); }, 30000, 50));
}

TEST_F(ServiceRemovalTest, OnlyTheSecondServiceStillStoppingGetsTheFullCount) {
    UpToThreeTimes([&] {
        Running(kPfw, StopMode::Hold);
        EXPECT_EQ(1, RunCounted());
    }, 7);
    EXPECT_EQ(Pauses({2000}, 6), g_pauses);
    proctest::ReleaseHeldServices(true);
    EXPECT_TRUE(tolmtest::WaitUntil([] { return !ServiceExists(kPfw); }, 30000, 50));
}

TEST_F(ServiceRemovalTest, AFailedStatusQueryEndsTheWaitButNotTheDeletion) {
    Running(kWatch, StopMode::Hold);
    g_queriesLeft = 0;
    EXPECT_EQ(1, RunCounted());
    EXPECT_EQ((std::vector<DWORD>{2000}), g_pauses);

    // The query fails while stopping: the pauses end there.
    ASSERT_TRUE(proctest::RemoveTestService(kWatch));
    proctest::ReleaseHeldServices(false);
    g_pauses.clear();
    Running(kWatch, StopMode::Hold);
    g_queriesLeft = 2;
    EXPECT_EQ(1, RunCounted());
    EXPECT_EQ(Pauses({2000}, 2), g_pauses);

    proctest::ReleaseHeldServices(true);
    EXPECT_TRUE(tolmtest::WaitUntil([] { return !ServiceExists(kWatch); }, 30000, 50))
        << "deleted whatever the wait gave";
}

// A service that accepts no stop keeps running: the preview asks it what it
// accepts and says what the run then says, and both count it as left until
// the restart (it is only marked for deletion), not as gone.
TEST_F(ServiceRemovalTest, AServiceThatAcceptsNoStopIsPendingInTheRunAsInItsPreview) {
    Running(kWatch, StopMode::Refuse);
    std::vector<std::string> said[2];
    for (change::Mode mode : {change::Mode::Preview, change::Mode::Act}) {
        tolmtest::CapturedReport report;
        ReportScope scope(&report);
        change::Session session(mode);
        EXPECT_EQ(1, RunCounted());
        said[mode == change::Mode::Act] = report.Record().lines;
        EXPECT_EQ(session.Counts().pending, 1);
        EXPECT_EQ(session.Counts().removed, 1);
    }
    EXPECT_EQ(said[0], said[1]);
    ASSERT_GE(said[1].size(), 2u);
    EXPECT_EQ(said[1][0].rfind("  service QWatchSvc: stop not accepted (error ", 0), 0u) << said[1][0];
    EXPECT_NE(std::find(said[1].begin(), said[1].end(),
                        "  service QWatchSvc: marked for deletion, completed once it has stopped"),
              said[1].end());
    EXPECT_TRUE(g_pauses.empty());
}

}  // namespace
