#pragma once
// Runs a crawl without a window, one start address after another: addresses and trace lines on
// standard output; failed fetches as they happen, progress and a summary on standard error;
// Ctrl-C as a stop request. Needs a QCoreApplication.

#include "app/CommandLine.h"

// Returns the process exit code (see ExitCode).
int runHeadlessCrawl(const CrawlRequest &request);
