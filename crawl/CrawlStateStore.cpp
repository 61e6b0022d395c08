#include "crawl/CrawlStateStore.h"

#include <QFile>

#include <sqlite3.h>

namespace {

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return s_ != nullptr; }
    void bind(int index, const QByteArray &text)
    {
        sqlite3_bind_text(s_, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, int value) { sqlite3_bind_int(s_, index, value); }
    bool step() { return sqlite3_step(s_) == SQLITE_ROW; }
    bool run()
    {
        const int rc = sqlite3_step(s_);
        sqlite3_reset(s_);
        return rc == SQLITE_DONE;
    }
    QByteArray text(int column) const
    {
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(s_, column)), sqlite3_column_bytes(s_, column));
    }
    int integer(int column) const { return sqlite3_column_int(s_, column); }

private:
    sqlite3_stmt *s_ = nullptr;
};

} // namespace

std::unique_ptr<CrawlStateStore> CrawlStateStore::open(const QString &fileName, QString *error)
{
    sqlite3 *db = nullptr;
    const QByteArray name = QFile::encodeName(fileName);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr)
        != SQLITE_OK) {
        *error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CrawlStateStore> store(new CrawlStateStore(db));
    // Written ahead, synced at checkpoints: a killed process loses nothing committed, and a
    // page's transaction costs no sync of its own.
    if (!store->exec("PRAGMA journal_mode=WAL") || !store->exec("PRAGMA synchronous=NORMAL")
        || !store->exec("CREATE TABLE IF NOT EXISTS crawl(key TEXT PRIMARY KEY, value TEXT NOT NULL)")
        || !store->exec("CREATE TABLE IF NOT EXISTS page(url TEXT PRIMARY KEY, level INTEGER NOT NULL,"
                        " done INTEGER NOT NULL DEFAULT 0)")
        || !store->exec("CREATE INDEX IF NOT EXISTS waiting ON page(done, level)")) {
        *error = store->lastError();
        return nullptr;
    }
    return store;
}

bool CrawlStateStore::remove(const QString &fileName)
{
    bool gone = true;
    // The journal files first: a main file left without its log still opens as a crawl.
    for (const char *suffix : {"-wal", "-shm", "-journal", ""}) {
        const QString name = fileName + QLatin1StringView(suffix);
        if (QFile::exists(name) && !QFile::remove(name))
            gone = false;
    }
    return gone;
}

CrawlStateStore::CrawlStateStore(sqlite3 *db) : db_(db) {}

CrawlStateStore::~CrawlStateStore()
{
    sqlite3_close(db_);
}

bool CrawlStateStore::exec(const char *sql)
{
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString CrawlStateStore::lastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(db_));
}

QByteArray CrawlStateStore::start() const
{
    Statement query(db_, "SELECT value FROM crawl WHERE key = 'start'");
    return query.ok() && query.step() ? query.text(0) : QByteArray();
}

bool CrawlStateStore::begin(const QByteArray &start, const QByteArray &startKey)
{
    if (!exec("BEGIN"))
        return false;
    Statement setStart(db_, "INSERT OR REPLACE INTO crawl(key, value) VALUES('start', ?1)");
    Statement firstPage(db_, "INSERT OR IGNORE INTO page(url, level) VALUES(?1, 0)");
    bool ok = setStart.ok() && firstPage.ok();
    if (ok) {
        setStart.bind(1, start);
        firstPage.bind(1, startKey);
        ok = setStart.run() && firstPage.run();
    }
    return exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

std::vector<QByteArray> CrawlStateStore::donePages() const
{
    std::vector<QByteArray> pages;
    Statement query(db_, "SELECT url FROM page WHERE done = 1");
    while (query.ok() && query.step())
        pages.push_back(query.text(0));
    return pages;
}

std::vector<CrawlStateStore::Page> CrawlStateStore::waitingPages() const
{
    std::vector<Page> pages;
    Statement query(db_, "SELECT url, level FROM page WHERE done = 0 ORDER BY level, rowid");
    while (query.ok() && query.step())
        pages.push_back(Page{query.text(0), query.integer(1)});
    return pages;
}

bool CrawlStateStore::record(const std::vector<QByteArray> &done, const std::vector<Page> &queued)
{
    if (!exec("BEGIN"))
        return false;
    Statement markDone(db_, "INSERT INTO page(url, level, done) VALUES(?1, 0, 1) ON CONFLICT(url) DO UPDATE SET done = 1");
    Statement addWaiting(db_, "INSERT OR IGNORE INTO page(url, level) VALUES(?1, ?2)");
    bool ok = markDone.ok() && addWaiting.ok();
    for (const QByteArray &url : done) {
        markDone.bind(1, url);
        ok = ok && markDone.run();
    }
    for (const Page &page : queued) {
        addWaiting.bind(1, page.url);
        addWaiting.bind(2, page.level);
        ok = ok && addWaiting.run();
    }
    return exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}
