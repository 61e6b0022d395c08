#include "shell/RepaintPacer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CountingWidget final : public QWidget
{
public:
    int paints = 0;
    int shownValue = -1;
    int value = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        shownValue = value;
    }
};

// Waits, within a bound, until the window has painted what it holds now.
bool paintedUpToDate(CountingWidget &window)
{
    QElapsedTimer waited;
    waited.start();
    while (window.shownValue != window.value && waited.elapsed() < 2000)
        QTest::qWait(5);
    return window.shownValue == window.value;
}

} // namespace

TEST(RepaintPacer, AQuietWindowPaintsAtOnceAndABurstOfChangesIsPaintedTogetherAndToTheLast)
{
    CountingWidget window;
    new TRepaintPacer(&window);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(paintedUpToDate(window));

    QTest::qWait(int(TRepaintPacer::interval.count()) * 2);
    const int before = window.paints;
    window.value = 1;
    window.update();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.shownValue, 1) << "after a quiet spell a change is painted on the next turn";

    // A burst as a crawl makes it: one change an event, the event loop turning between them.
    const int burst = 200;
    for (int n = 2; n < burst; ++n) {
        window.value = n;
        window.update();
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(paintedUpToDate(window)) << "the last change is never left unpainted";
    EXPECT_LT(window.paints - before, burst / 4) << "changes within an interval share one paint";
}
