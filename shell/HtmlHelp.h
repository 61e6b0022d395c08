#pragma once
// The program-wide binding to the help library. Compiled help files are read through chmlib,
// which is loaded with dlopen at start-up rather than linked, so that a machine without it simply
// has no help: every request then does nothing and shows nothing.
//
// Interface thread only. Bound once before any form exists, released once at program end.

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QWidget;
struct chmFile;

namespace HtmlHelp {

inline constexpr char defaultLibrary[] = "libchm.so.1";

// The one command there is: open the help window on a topic page.
inline constexpr int displayTopic = 0;

// Loads `library` and looks up every entry point help needs. When loading or any lookup fails
// the binding stays empty. A second call releases the first binding before it tries again.
bool bind(const char *library = defaultLibrary);

// Closes the help window and unloads the library. Call it while the application object still
// exists, since the help window is a widget.
void release();

bool isBound();

// The help request. With `displayTopic` it opens the help window on the page `topic` of the help
// file `helpFile` (a page name, optionally followed by "#anchor"), raising and reusing the window
// that is already open, and returns that window. The window stays beside `caller`'s window and
// never blocks it. Returns nullptr and shows nothing when unbound, for any other command, or when
// the file cannot be read or holds no such page.
QWidget *htmlHelp(QWidget *caller, const QString &helpFile, int command, const QString &topic);

} // namespace HtmlHelp

// One open compiled help file, read through the bound library. Object paths are those inside the
// file ("/Welcome.htm", "/images/logo.png"); they compare without regard to case.
class ChmArchive final
{
public:
    // nullptr when help is unbound or the file is not a readable help file.
    static std::unique_ptr<ChmArchive> open(const QString &fileName);

    ~ChmArchive();
    ChmArchive(const ChmArchive &) = delete;
    ChmArchive &operator=(const ChmArchive &) = delete;

    const QString &fileName() const { return fileName_; }

    // True for a stored file; folders and absent paths give false.
    bool contains(const QString &path) const;

    // The bytes of a stored file; nullopt when it is absent, unreadable or implausibly large.
    std::optional<QByteArray> read(const QString &path) const;

private:
    ChmArchive(chmFile *handle, QString fileName);

    chmFile *handle_;
    QString fileName_;
};
