// Crawls one site through the main window's robot panel, the window shown, as a user starts a
// crawl, and prints what the crawl benchmark needs: pages received, seconds, the rows the
// address list holds at the end, and the interface thread's worst lateness while the crawl ran
// (how much later than due a 10 ms timer fired at worst; a user feels 100 ms).
//   gui_crawl_driver URL MAXLEVEL MAXQUEUES [thorough]
// The program folder and key store come from TRAWLEX_PROGRAM_FOLDER and TRAWLEX_REGISTRY_FILE,
// which the benchmark points at scratch folders.

#include "app/ProgramStart.h"
#include "crawl/znWebSearch.h"
#include "search/CrawlSettings.h"
#include "search/Robot.h"
#include "shell/EnhListView.h"
#include "shell/Main.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    const bool thorough = argc == 5 && std::strcmp(argv[4], "thorough") == 0;
    if (argc != 4 && !thorough) {
        std::fprintf(stderr, "usage: gui_crawl_driver URL MAXLEVEL MAXQUEUES [thorough]\n");
        return 2;
    }
    const QByteArray url = argv[1];
    const CrawlLimits limits{std::atoi(argv[2]), std::atoi(argv[3])};
    return ProgramStart::run(argc, argv, [&] {
        auto *robot = qobject_cast<TfaRobot *>(frmMain->fraRobot());
        if (robot == nullptr)
            return 1;
        QTreeWidget *tree = frmMain->trvNavigation();
        for (int node = 0; node < tree->topLevelItemCount(); ++node) {
            if (tree->topLevelItem(node)->text(0).contains(QStringLiteral("Robot")))
                tree->setCurrentItem(tree->topLevelItem(node));
        }
        CrawlSettings settings;
        settings.searchEngine = url;
        settings.limits = limits;
        settings.rules.thorough = thorough;
        settings.applyTo(*robot->schMain());
        robot->ResultFile = QStringLiteral("Emails.txt");

        long pages = 0;
        TznWebSearch *search = robot->schMain();
        search->OnPageReceived = [inner = search->OnPageReceived, &pages](const QByteArray &aUrl, const QByteArray &aHtml,
                                                                        const QByteArrayList &aEmails) {
            ++pages;
            inner(aUrl, aHtml, aEmails);
        };
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        qint64 worstLateMs = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstLateMs = std::max(worstLateMs, sinceTick.restart() - 10);
        });
        QObject::connect(search, &TznWebSearch::ChainEnded, [] { QCoreApplication::quit(); });

        QCoreApplication::processEvents(); // the window laid out and painted before the clock starts
        clock.start();
        sinceTick.start();
        tick.start(10);
        robot->Button1Click();
        QCoreApplication::exec();
        std::printf("pages %ld seconds %.3f rows %d worst_late_ms %lld\n", pages, double(clock.elapsed()) / 1000,
                    robot->levMail()->RowCount(), static_cast<long long>(worstLateMs));
        return 0;
    });
}
