#pragma once
// Hands a web address to the user's default browser. The program neither waits for the browser
// nor learns whether it came up: a failure to open a page is never worth interrupting the user.

#include <QString>

#include <functional>

namespace ShellOpen {

// Receives every address open() is given. Tests put one in place so that no browser starts.
using Launcher = std::function<void(const QString &address)>;

// Passes `address` to the launcher in place and returns at once.
void open(const QString &address);

// Puts `launcher` in place and returns the one it replaces. An empty launcher restores the
// desktop's own (desktopLauncher).
Launcher setLauncher(Launcher launcher);

// The launcher in place unless a test replaced it: starts the desktop's opener, xdg-open, or
// failing that Debian's choice of graphical browser, x-www-browser, as found on PATH, detached and
// with its output discarded. Without either it does nothing.
void desktopLauncher(const QString &address);

} // namespace ShellOpen
