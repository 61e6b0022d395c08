#pragma once
// The pool threads that crawl chains run on, and the count of chains still running, so that a
// program or test that ends can wait for the stragglers.

class QThreadPool;

namespace WorkerReaper {

// The pool of fetch threads: one thread per running chain, kept a while for the next.
QThreadPool &pool();

void started();
void finished();
// Waits until no chain runs, at most the given time. False on time-out.
bool waitForAll(int timeoutMs);
int running();

} // namespace WorkerReaper
