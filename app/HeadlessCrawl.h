#pragma once
// Runs one crawl without a window: addresses and trace lines on standard output, progress or a
// summary on standard error, Ctrl-C as a stop request. Needs a QCoreApplication.

#include "app/CommandLine.h"

// Returns the process exit code: 0; 3 when the result file could not be written (the addresses
// still went to standard output); 4 when every engine asked refused automated requests; 130
// after Ctrl-C.
int runHeadlessCrawl(const CrawlRequest &request);
