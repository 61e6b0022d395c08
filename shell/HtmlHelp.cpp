#include "shell/HtmlHelp.h"

#include "shell/HelpViewer.h"

#include <chm_lib.h>
#include <dlfcn.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace {

// Only the types come from chmlib's header; the functions are taken from the loaded library.
struct Entries
{
    decltype(&chm_open) open = nullptr;
    decltype(&chm_close) close = nullptr;
    decltype(&chm_resolve_object) resolve = nullptr;
    decltype(&chm_retrieve_object) retrieve = nullptr;
};

void *library = nullptr;
std::optional<Entries> entries; // empty while help is unbound
QPointer<HelpViewer> window;

// A help file stores pages and small pictures; a larger length can only come from a damaged
// file, and trusting it would mean one huge allocation.
constexpr LONGUINT64 maxObjectSize = 32u * 1024u * 1024u;

template <typename Function>
bool lookUp(void *handle, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

bool belongsTo(const QWidget *widget, const QWidget *owner)
{
    for (const QWidget *w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == owner)
            return true;
    }
    return false;
}

// An open modal dialog blocks every window that is not its own, so help asked for while one is
// open (the options dialogs' Help buttons) goes with that dialog; otherwise with the caller.
HelpViewer *helpWindow(QWidget *caller)
{
    QWidget *modal = QApplication::activeModalWidget();
    if (window.isNull()) {
        QWidget *owner = modal != nullptr ? modal : caller != nullptr ? caller->window() : nullptr;
        window = new HelpViewer(owner);
        window->placeBeside(owner);
    } else if (modal != nullptr && !belongsTo(window, modal)) {
        window->setOwner(modal);
    }
    return window;
}

} // namespace

namespace HtmlHelp {

bool bind(const char *libraryName)
{
    release();
    void *handle = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return false;
    Entries found;
    if (!lookUp(handle, "chm_open", found.open) || !lookUp(handle, "chm_close", found.close)
        || !lookUp(handle, "chm_resolve_object", found.resolve)
        || !lookUp(handle, "chm_retrieve_object", found.retrieve)) {
        dlclose(handle);
        return false;
    }
    library = handle;
    entries = found;
    return true;
}

void release()
{
    // The window holds an open help file, which must be closed while the library is loaded.
    if (QApplication::instance() != nullptr)
        delete window.data();
    entries.reset();
    if (library != nullptr)
        dlclose(library);
    library = nullptr;
}

bool isBound()
{
    return entries.has_value();
}

QWidget *htmlHelp(QWidget *caller, const QString &helpFile, int command, const QString &topic)
{
    if (!isBound() || command != displayTopic)
        return nullptr;
    const QUrl page = HelpViewer::topicUrl(topic);
    std::unique_ptr<ChmArchive> archive = ChmArchive::open(helpFile);
    if (archive == nullptr || !archive->contains(HelpViewer::archivePath(page)))
        return nullptr;
    HelpViewer *viewer = helpWindow(caller);
    viewer->showPage(std::move(archive), page);
    return viewer;
}

} // namespace HtmlHelp

namespace {

std::optional<chmUnitInfo> resolveObject(chmFile *handle, const QString &path)
{
    if (!entries || path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.contains(QChar(u'\0')))
        return std::nullopt;
    QByteArray name = path.toUtf8();
    if (!name.startsWith('/'))
        name.prepend('/');
    if (name.size() > CHM_MAX_PATHLEN)
        return std::nullopt;
    chmUnitInfo info{};
    if (entries->resolve(handle, name.constData(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    return info;
}

} // namespace

std::unique_ptr<ChmArchive> ChmArchive::open(const QString &fileName)
{
    // chmlib would open a folder too, and a NUL would cut the name short.
    if (!entries || fileName.contains(QChar(u'\0')) || !QFileInfo(fileName).isFile())
        return nullptr;
    chmFile *handle = entries->open(QFile::encodeName(fileName).constData());
    if (handle == nullptr)
        return nullptr;
    return std::unique_ptr<ChmArchive>(new ChmArchive(handle, fileName));
}

ChmArchive::ChmArchive(chmFile *handle, QString fileName)
    : handle_(handle)
    , fileName_(std::move(fileName))
{
}

ChmArchive::~ChmArchive()
{
    // Without the library the handle cannot be closed; leaking it beats calling unloaded code.
    if (entries)
        entries->close(handle_);
}

bool ChmArchive::contains(const QString &path) const
{
    return resolveObject(handle_, path).has_value();
}

std::optional<QByteArray> ChmArchive::read(const QString &path) const
{
    std::optional<chmUnitInfo> info = resolveObject(handle_, path);
    if (!info || info->length > maxObjectSize)
        return std::nullopt;
    const auto length = static_cast<LONGINT64>(info->length);
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (length == 0)
        return bytes;
    const LONGINT64 got =
        entries->retrieve(handle_, &*info, reinterpret_cast<unsigned char *>(bytes.data()), 0, length);
    if (got != length)
        return std::nullopt;
    return bytes;
}
