#pragma once
// A thorough crawl kept in a state file, as the command line and the robot panel both meet it:
// whether a start goes on with the crawl the file holds.

#include <QByteArray>
#include <QString>

namespace KeptCrawl {

struct Check
{
    enum class Outcome {
        NoneKept,   // no file, or a file that holds no crawl yet: a start begins one there
        SameStart,  // the file holds a crawl from the same address: a start goes on with it
        OtherStart, // the file holds a crawl from `start`, not from the address given
        Unusable,   // the file cannot be opened as a state file: `error` says why
    };
    Outcome outcome = Outcome::NoneKept;
    QByteArray start;
    QString error;
};

enum class Missing { Create, LeaveAlone };

// What `fileName` holds for a crawl from `start`. A missing file is made when asked, so that a
// path no crawl can write to is told before the crawl; the window only looks.
Check check(const QString &fileName, const QByteArray &start, Missing missing);

// The state file the window keeps a thorough crawl in: beside its result file, so that the
// addresses the crawl already wrote are the ones a resumed crawl takes as written.
QString fileFor(const QString &resultFile);

} // namespace KeptCrawl
