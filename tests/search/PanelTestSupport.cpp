#include "tests/search/PanelTestSupport.h"

#include "shell/znStatusBar.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QVBoxLayout>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return done();
}

namespace {

QString standInText(const QString &key)
{
    return QStringLiteral("text of ") + key;
}

} // namespace

QString textOf(const char *key)
{
    return standInText(QString::fromLatin1(key));
}

TPanelServices standInServices(QStringList *helpTopics)
{
    TPanelServices made;
    made.paraText = &standInText;
    if (helpTopics)
        made.showHelp = [helpTopics](const QString &topic) { helpTopics->append(topic); };
    return made;
}

PanelHostWindow::PanelHostWindow()
    : stuMain(new TznStatusBar(&window))
    , prgMain(new QProgressBar(stuMain))
    , layout_(new QVBoxLayout(&window))
{
    ini.setFileName(QStringLiteral("TrawlMain.ini"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addWidget(stuMain);
    // The main window's status panels: engine state, progress, engine count, robot state, robot count.
    for (const int width : {100, 100, 150, 100, 50})
        stuMain->AddPanel(width);
    stuMain->setFixedHeight(25);
}

TPanelServices PanelHostWindow::services()
{
    TPanelServices made = standInServices(&helpTopics);
    made.iniMain = &ini;
    made.stuMain = stuMain;
    made.prgMain = prgMain;
    made.textEncoding = [this] { return textEncoding; };
    made.paraText = [this](const QString &key) { return paraText ? paraText(key) : standInText(key); };
    return made;
}

void PanelHostWindow::place(QWidget *panel)
{
    layout_->insertWidget(0, panel);
    window.resize(640, 400);
    window.show();
}
