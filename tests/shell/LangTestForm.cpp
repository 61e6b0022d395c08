#include "tests/shell/LangTestForm.h"

#include "shell/EnhListView.h"
#include "shell/LangSections.h"
#include "shell/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <class T, class... Args>
T *named(const char *name, Args &&...args)
{
    T *object = new T(std::forward<Args>(args)...);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QAction *action(QObject *owner, const char *name, const QString &caption, const QString &hint = {})
{
    auto *a = named<QAction>(name, caption, owner);
    if (!hint.isEmpty())
        a->setToolTip(hint);
    return a;
}

QFont sizedFont(const QFont &font, int points)
{
    QFont sized(font);
    sized.setPointSize(points);
    return sized;
}

void addFiller(QWidget *parent, QLayout *layout, int count)
{
    for (int i = 0; i < count; ++i) {
        auto *button = new QPushButton(QStringLiteral("Filler %1").arg(i), parent);
        button->setObjectName(QStringLiteral("btnFill%1").arg(i));
        button->setToolTip(QStringLiteral("Filler hint %1").arg(i));
        layout->addWidget(button);
    }
}

TdfsEnhListView *listView(const char *name, QWidget *parent, const QStringList &columns)
{
    auto *view = named<TdfsEnhListView>(name, parent);
    view->setColumns(columns);
    return view;
}

} // namespace

TfrmLangTest::TfrmLangTest(int fillerPerPart)
{
    setObjectName(QStringLiteral("frmTest"));
    setWindowTitle(QStringLiteral("Trawl Test Form"));
    QFont designed(QStringLiteral("DejaVu Sans"));
    designed.setPointSize(8);
    setFont(designed);
    resize(640, 480);

    actQuit = action(this, "actQuit", QStringLiteral("Quit"), QStringLiteral("退出"));
    actLc = action(this, "actLc", QStringLiteral("Simplified Chinese"));
    actLt = action(this, "actLt", QStringLiteral("Traditional Chinese"));
    actLe = action(this, "actLe", QStringLiteral("English"));
    actAbout = action(this, "actAbout", QStringLiteral("About..."), QStringLiteral("关于 Trawlex"));

    auto *menuBar = named<QMenuBar>("mnuMain", this);
    setMenuBar(menuBar);
    menuControl = named<QMenu>("menuControl", QStringLiteral("&Control"), menuBar);
    menuControl->addAction(actQuit);
    menuLanguage = named<QMenu>("menuLanguage", QStringLiteral("&Language"), menuBar);
    menuLanguage->addActions({actLc, actLt, actLe});
    menuHelp = named<QMenu>("menuHelp", QStringLiteral("&Help"), menuBar);
    menuHelp->addAction(actAbout);
    for (QMenu *menu : {menuControl, menuLanguage, menuHelp}) {
        menu->setFont(sizedFont(designed, 8));
        menuBar->addMenu(menu);
    }
    auto *toolBar = named<QToolBar>("ToolBar1", this);
    toolBar->addActions({actAbout, actQuit});
    addToolBar(toolBar);

    auto *client = named<QWidget>("panClient", this);
    setCentralWidget(client);
    auto *clientLayout = new QHBoxLayout(client);
    trvNavigation = named<QTreeWidget>("trvNavigation", client);
    trvNavigation->setHeaderHidden(true);
    auto *engineNode = new QTreeWidgetItem(trvNavigation, {QStringLiteral("Engine Search")});
    auto *robotNode = new QTreeWidgetItem(trvNavigation, {QStringLiteral("Robot Search")});
    new QTreeWidgetItem(robotNode, {QStringLiteral("Level Two")});
    new QTreeWidgetItem(trvNavigation, {QStringLiteral("IE Search")});
    trvNavigation->expandAll();
    trvNavigation->setCurrentItem(engineNode);
    clientLayout->addWidget(trvNavigation, 1);

    auto *panels = new QVBoxLayout;
    clientLayout->addLayout(panels, 3);

    // fraOne: the robot panel's shape, its button nested in a group box.
    fraOne = named<QWidget>("fraOne", client);
    LangSections::markAsPanel(fraOne);
    auto *oneLayout = new QVBoxLayout(fraOne);
    levMailOne = listView("levMail", fraOne, {QStringLiteral("Email"), QStringLiteral("Source")});
    levMailOne->AddItem({QStringLiteral("webmaster@example.org"), QStringLiteral("http://example.org/")});
    oneLayout->addWidget(levMailOne);
    groupBox1 = named<QGroupBox>("GroupBox1", QStringLiteral("Limitation"), fraOne);
    auto *groupLayout = new QHBoxLayout(groupBox1);
    btnStartOne = named<QPushButton>("btnStart", QStringLiteral("&Start"), groupBox1);
    rdoAll = named<QRadioButton>("rdoAll", QStringLiteral("Scan All Links"), groupBox1);
    rdoAll->setChecked(true);
    chkJapan = named<QCheckBox>("chkJapan", QStringLiteral("Scan Japanese Sites Only"), groupBox1);
    for (QWidget *w : std::initializer_list<QWidget *>{btnStartOne, rdoAll, chkJapan})
        groupLayout->addWidget(w);
    oneLayout->addWidget(groupBox1);
    addFiller(fraOne, oneLayout, fillerPerPart);
    panels->addWidget(fraOne);

    // fraTwo: the capture panel's shape, with a panel of its own inside.
    fraTwo = named<QWidget>("fraTwo", client);
    LangSections::markAsPanel(fraTwo);
    auto *twoLayout = new QVBoxLayout(fraTwo);
    levMailTwo = listView("levMail", fraTwo, {QStringLiteral("Queues"), QStringLiteral("Level No")});
    twoLayout->addWidget(levMailTwo);
    btnStartTwo = named<QPushButton>("btnStart", QStringLiteral("&Start"), fraTwo);
    btnStartTwo->setToolTip(QStringLiteral("开始搜索"));
    twoLayout->addWidget(btnStartTwo);
    rdoType = named<TRadioGroup>("rdoType", fraTwo);
    rdoType->setTitle(QStringLiteral("Extractor Type"));
    rdoType->setColumns(2);
    rdoType->setItems({QStringLiteral("Automatic Extract"), QStringLiteral("Manual Extract")});
    rdoType->setItemIndex(1);
    twoLayout->addWidget(rdoType);
    label5 = named<QLabel>("Label5", QStringLiteral("Result Save File Name:"), fraTwo);
    label5->setFont(sizedFont(designed, 12));
    twoLayout->addWidget(label5);
    edtFile = named<QLineEdit>("edtFile", fraTwo);
    edtFile->setToolTip(QStringLiteral("   "));
    twoLayout->addWidget(edtFile);
    labBlank = named<QLabel>("labBlank", fraTwo);
    twoLayout->addWidget(labBlank);
    fraInner = named<QWidget>("fraInner", fraTwo);
    LangSections::markAsPanel(fraInner);
    auto *innerLayout = new QVBoxLayout(fraInner);
    labInner = named<QLabel>("labInner", QStringLiteral("Inner label"), fraInner);
    innerLayout->addWidget(labInner);
    twoLayout->addWidget(fraInner);
    addFiller(fraTwo, twoLayout, fillerPerPart);
    panels->addWidget(fraTwo);

    // The engines' names are data: only the column caption is translated.
    levEngine = listView("levEngine", client, {QStringLiteral("Search Engine")});
    for (const char *engine : {"百度", "Google(English)", "Google(Simplified Chinese)"})
        levEngine->AddItem({QString::fromUtf8(engine)});
    panels->addWidget(levEngine);
    auto *formFiller = new QVBoxLayout;
    addFiller(client, formFiller, fillerPerPart);
    clientLayout->addLayout(formFiller);
}
