#pragma once
// The state of a thorough crawl kept in a file as the crawl goes, so that a crawl ended by
// Ctrl-C, a crash or a kill resumes where it stopped: the address it started from, every page
// it has met (with its level) and whether that page is done. Each page done is one transaction
// with the links it queued, so the file is whole whatever moment the process dies at. An
// SQLite database, written ahead (WAL): nothing to start, and safe against a killed process.

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

struct sqlite3;

class CrawlStateStore final
{
public:
    struct Page
    {
        QByteArray url; // the page key (normal form)
        int level = 0;
    };

    // Opens (or creates) the file; null with `error` set when it cannot be used.
    static std::unique_ptr<CrawlStateStore> open(const QString &fileName, QString *error);
    // Removes the file with the journal files beside it, so that no later crawl takes up a crawl
    // that has ended. True when nothing of it is left.
    static bool remove(const QString &fileName);
    ~CrawlStateStore();
    CrawlStateStore(const CrawlStateStore &) = delete;
    CrawlStateStore &operator=(const CrawlStateStore &) = delete;

    // The address the recorded crawl started from; empty when the file holds no crawl yet.
    QByteArray start() const;
    // Records a new crawl from `start`, its start page waiting at level 0.
    bool begin(const QByteArray &start, const QByteArray &startKey);

    // The pages done, and those met and not done yet, the lowest level first.
    std::vector<QByteArray> donePages() const;
    std::vector<Page> waitingPages() const;

    // In one transaction: `done` pages are done, `queued` ones are met and wait.
    bool record(const std::vector<QByteArray> &done, const std::vector<Page> &queued);

    QString lastError() const;

private:
    explicit CrawlStateStore(sqlite3 *db);
    bool exec(const char *sql);

    sqlite3 *db_;
};
