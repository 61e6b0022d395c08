#pragma once
// Which rules a crawl follows. Classic: the designed ones, exactly (http only, links completed
// against the page's folder, every waiting link text once). Thorough: the web as it is written
// today (https, links resolved and normalised, each page once, addresses however written,
// robots.txt honoured, a User-Agent that names the program).

#include <QByteArray>

struct CrawlRules
{
    bool thorough = false;
    // The rest counts in thorough crawls only.
    bool obeyRobots = true;
    QByteArray userAgent; // empty: defaultUserAgent()
    QByteArray caFile;    // an authority of the user's besides the system's, for https
    // How many pages a thorough crawl fetches at once, in all and from one host, and the least
    // time between two requests to one host (a robots.txt Crawl-delay may make it longer).
    int jobs = kDefaultJobs;
    int perHost = kDefaultPerHost;
    int waitMs = 0;
    // Where the crawl keeps its state to be resumed from; none when empty.
    QByteArray stateFile;
    // The least time between two result pages asked of one search engine's host: engines
    // asked faster take the crawl for a robot and stop answering.
    int engineWaitMs = kDefaultEngineWaitSeconds * 1000;

    static constexpr int kDefaultJobs = 16;
    static constexpr int kDefaultPerHost = 4;
    static constexpr int kMaxJobs = 64;
    static constexpr int kMaxPerHost = 16;
    static constexpr int kMaxWaitSeconds = 60;
    static constexpr int kDefaultEngineWaitSeconds = 2;

    static QByteArray defaultUserAgent();
    QByteArray agent() const { return userAgent.isEmpty() ? defaultUserAgent() : userAgent; }
};
