#pragma once
// Fetch workers release themselves when their run ends, but a thread cannot delete its own
// thread object. Each worker hands itself in here as its last act; the next worker's creator
// deletes it, and a program or test that ends waits for the stragglers.

class QThread;

namespace WorkerReaper {

void started();
// The worker's last act: from here on nothing of it is touched but its thread object.
void finished(QThread *worker);
// Deletes the workers that have handed themselves in (never the calling thread's own).
void reap();
// Waits until no worker runs, at most the given time, then reaps. False on time-out.
bool waitForAll(int timeoutMs);
int running();

} // namespace WorkerReaper
