#include "shell/znStatusBar.h"

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct PanelDesign
{
    int width;
    Qt::Alignment alignment;
};

struct Layout
{
    const char *name;
    int height;
    std::vector<PanelDesign> panels;
    std::vector<QRect> controls;
};

// The bars of the main window, the two search panels and the browser capture panel.
const Layout layouts[] = {
    {"main window", 25,
     {{100, Qt::AlignHCenter}, {100, Qt::AlignLeft}, {150, Qt::AlignLeft}, {100, Qt::AlignHCenter}, {50, Qt::AlignLeft}},
     {QRect(103, 3, 97, 22)}},
    {"search panel", 39, {{225, Qt::AlignLeft}, {50, Qt::AlignHCenter}},
     {QRect(8, 8, 65, 25), QRect(80, 8, 65, 25), QRect(152, 8, 65, 25)}},
    {"capture panel", 39, {{225, Qt::AlignLeft}, {50, Qt::AlignHCenter}}, {QRect(240, 14, 214, 13)}},
};

QWidget *controlFor(const Layout &layout, size_t index)
{
    if (layout.height == 25) {
        auto *progress = new QProgressBar;
        progress->setTextVisible(false);
        return progress;
    }
    if (layout.controls.size() == 1)
        return new QLabel(QStringLiteral("Support Page: http://example.org/"));
    const char *captions[] = {"&Start", "Sto&p", "&Option"};
    return new QPushButton(QString::fromLatin1(captions[index]));
}

// The columns of `image` between `top` and `bottom` that hold a dark (text) pixel.
std::pair<int, int> inkColumns(const QImage &image, int left, int right, int top, int bottom)
{
    int first = -1;
    int last = -1;
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) {
            if (qGray(image.pixel(x, y)) < 80) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

TEST(TznStatusBar, PanelsLieSideBySideAndPlacedControlsStayWherePut)
{
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(layout.name);
        TznStatusBar bar;
        bar.setSizeGripEnabled(false);
        bar.setFixedHeight(layout.height);
        for (const PanelDesign &panel : layout.panels)
            bar.AddPanel(panel.width, panel.alignment);
        std::vector<QWidget *> controls;
        for (size_t i = 0; i < layout.controls.size(); ++i) {
            controls.push_back(controlFor(layout, i));
            bar.PlaceControl(controls.back(), layout.controls[i]);
        }
        bar.resize(640, layout.height);
        bar.show();
        bar.resize(700, layout.height); // a window resize must not move what was placed

        int left = 0;
        for (int i = 0; i < bar.PanelCount(); ++i) {
            const bool last = i == bar.PanelCount() - 1;
            EXPECT_EQ(bar.PanelRect(i), QRect(left, 0, last ? 700 - left : layout.panels[size_t(i)].width, layout.height));
            EXPECT_EQ(bar.PanelAlignment(i), layout.panels[size_t(i)].alignment);
            left += layout.panels[size_t(i)].width;
        }
        for (size_t i = 0; i < controls.size(); ++i) {
            EXPECT_EQ(controls[i]->parentWidget(), &bar);
            EXPECT_EQ(controls[i]->geometry(), layout.controls[i]);
            EXPECT_TRUE(controls[i]->isVisible());
        }
    }
}

TEST(TznStatusBar, PanelIndexesOutsideTheBarReadEmptyAndWriteNothing)
{
    TznStatusBar bar;
    bar.AddPanel(100, Qt::AlignHCenter);
    bar.AddPanel(-5);
    EXPECT_EQ(bar.PanelWidth(1), 0);
    bar.SetPanelText(0, QStringLiteral("Searching"));
    bar.SetPanelText(2, QStringLiteral("lost"));
    bar.SetPanelText(-1, QStringLiteral("lost"));
    bar.SetPanelWidth(7, 10);
    bar.SetPanelAlignment(7, Qt::AlignRight);
    EXPECT_EQ(bar.PanelCount(), 2);
    EXPECT_EQ(bar.PanelText(0), QStringLiteral("Searching"));
    EXPECT_EQ(bar.PanelText(2), QString());
    EXPECT_EQ(bar.PanelWidth(-1), 0);
    EXPECT_EQ(bar.PanelRect(2), QRect());
    bar.SetPanelWidth(0, 120);
    bar.resize(300, 25);
    EXPECT_EQ(bar.PanelRect(1), QRect(120, 0, 180, 25));
}

TEST(TznStatusBar, TextIsDrawnInsideItsPanelWithItsAlignment)
{
    TznStatusBar bar;
    bar.setSizeGripEnabled(false);
    for (const PanelDesign &panel : layouts[0].panels)
        bar.AddPanel(panel.width, panel.alignment);
    bar.setFixedHeight(25);
    bar.resize(600, 25);
    bar.SetPanelText(0, QStringLiteral("IIII"));
    bar.SetPanelText(2, QStringLiteral("Emails:12"));
    bar.SetPanelText(4, QStringLiteral("a text much wider than fifty pixels"));
    const QImage image = bar.grab().toImage();

    const auto [centredFirst, centredLast] = inkColumns(image, 2, 98, 5, 20);
    ASSERT_GE(centredFirst, 0) << "no text drawn";
    EXPECT_NEAR((centredFirst + centredLast) / 2.0, 49, 4);
    const auto [leftFirst, leftLast] = inkColumns(image, 202, 348, 5, 20);
    EXPECT_GE(leftFirst, 202);
    EXPECT_LT(leftFirst, 210);
    const auto [lastFirst, lastLast] = inkColumns(image, 452, 600, 5, 20);
    EXPECT_GT(lastLast, 510) << "the last panel's text is cut at its designed width";
    (void)leftLast;
    (void)lastFirst;
}

TEST(TznStatusBar, APanelThatCutsItsTextShortGivesTheWholeOfItAsATooltip)
{
    TznStatusBar bar;
    for (const PanelDesign &panel : layouts[0].panels)
        bar.AddPanel(panel.width, panel.alignment);
    bar.resize(900, 25);
    const QString longText = QStringLiteral("Finished. 120 links did not fit in the queue");
    bar.SetPanelText(0, QStringLiteral("Finished"));
    bar.SetPanelText(3, longText);
    bar.SetPanelText(4, longText); // the last panel reaches the right edge: room enough

    const std::pair<QPoint, QString> rows[] = {
        {bar.PanelRect(0).center(), QString()}, // a short text
        {bar.PanelRect(1).center(), QString()}, // no text
        {bar.PanelRect(3).center(), longText},
        {bar.PanelRect(4).center(), QString()},
        {QPoint(bar.width() + 10, 12), QString()},
    };
    for (const auto &[at, tip] : rows) {
        SCOPED_TRACE(at.x());
        EXPECT_EQ(bar.CutText(at), tip);
    }
}
