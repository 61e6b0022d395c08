#pragma once
// What the search panel tests share: one application object for the whole run (offscreen unless
// TRAWLEX_SHOT asks for a picture on a real display), a bounded wait, and the texts the stand-in
// message lookup gives.

#include <QString>

#include <functional>
#include <ostream>

void PrintTo(const QString &text, std::ostream *out);

// Spins the event loop until `done` holds or the time is up; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 15000);

// The stand-in message lookup's answer for a key.
QString textOf(const char *key);
