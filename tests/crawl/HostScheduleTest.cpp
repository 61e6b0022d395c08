// The politeness rules of a crawl that fetches several pages at once, with the time given.

#include "crawl/HostSchedule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = HostSchedule::Clock;

TEST(HostSchedule, LimitsRequestsPerHostAndKeepsTheWaitBetweenThem)
{
    const Clock::time_point t0{};
    HostSchedule hosts(2, 500ms);
    hosts.setHostWait("slow.example", 2000ms);
    hosts.setHostWait("eager.example", 100ms); // no host waits less than the crawl says
    Clock::time_point ready{};
    struct Step
    {
        const char *host;
        Clock::duration at;
        bool may;
        Clock::duration readyAt; // when held back by the wait only
    };
    const Step steps[] = {
        {"a.example", 0ms, true, {}},     {"a.example", 0ms, false, 500ms},  {"a.example", 500ms, true, {}},
        {"a.example", 1000ms, false, {}}, // two running: the wait is not what holds it
        {"b.example", 0ms, true, {}},     {"slow.example", 0ms, true, {}},   {"slow.example", 1000ms, false, 2000ms},
        {"eager.example", 0ms, true, {}}, {"eager.example", 200ms, false, 500ms},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(std::string(step.host) + " at " + std::to_string(step.at / 1ms));
        ready = {};
        const bool may = hosts.mayStart(step.host, t0 + step.at, &ready);
        EXPECT_EQ(may, step.may);
        if (may)
            hosts.started(step.host, t0 + step.at);
        else
            EXPECT_EQ(ready, step.readyAt == Clock::duration{} ? Clock::time_point{} : t0 + step.readyAt);
    }
    hosts.finished("a.example", false);
    EXPECT_TRUE(hosts.mayStart("a.example", t0 + 1000ms, &ready)) << "a finished request frees its place";
}

TEST(HostSchedule, AHostFailingFiveTimesInARowIsSetAsideAndASuccessBetweenCountsAgain)
{
    HostSchedule hosts(4, 0ms);
    const Clock::time_point t0{};
    const auto request = [&](const char *host, bool failed) {
        hosts.started(host, t0);
        return hosts.finished(host, failed);
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(request("flaky.example", true));
    EXPECT_FALSE(request("flaky.example", false));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(request("flaky.example", true));
    EXPECT_FALSE(hosts.isSetAside("flaky.example")) << "the success in between started the count again";
    EXPECT_TRUE(request("flaky.example", true));
    EXPECT_TRUE(hosts.isSetAside("flaky.example"));
    EXPECT_FALSE(hosts.mayStart("flaky.example", t0, nullptr));
    EXPECT_FALSE(request("flaky.example", true)) << "set aside once";
    EXPECT_TRUE(hosts.mayStart("other.example", t0, nullptr));
    EXPECT_EQ(hosts.setAside(), QByteArrayList{"flaky.example"});
}

} // namespace
