// The translation walk over a form: sections it learns, the meaning of stored values, fonts and
// character sets, the translated marker, and translation on activation.

#include "shell/znLang.h"

#include "platform/ProfileFile.h"
#include "shell/EnhListView.h"
#include "shell/LangRules.h"
#include "shell/LangTexts.h"
#include "shell/RadioGroup.h"
#include "shell/znIniSetting.h"
#include "tests/shell/LangTestForm.h"
#include "tests/shell/LangTestSupport.h"
#include "tests/support/TempProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString hintOf(const QObject *object)
{
    return LangTexts::text(object, LangTexts::Property::Hint).value_or(QStringLiteral("<none>"));
}

QString nodeText(const QTreeWidget *tree, int top, int child = -1)
{
    const QTreeWidgetItem *item = tree->topLevelItem(top);
    return child < 0 ? item->text(0) : item->child(child)->text(0);
}

struct Walker
{
    explicit Walker(const QString &fileName)
    {
        la.setFileName(fileName);
        la.setEnabled(false);
        la.OnTranslate = LangRules::translateItemLists;
    }
    void walk(QObject *form) { la.Translate(form, QString()); }

    TznLang la;
};

} // namespace

TEST(TznLangWalk, EmptyFileLearnsEveryDesignedTextInItsSection)
{
    const TempProgramFolder folder;
    TfrmLangTest form;
    // A hint that reads like its caption is a hint all the same; the main window's Help has one.
    form.actLt->setToolTip(form.actLt->text());
    Walker walker(QStringLiteral("Learn.ini"));
    walker.walk(&form);

    const IniEntries expected = {
        {u("Font"), {{u("FontCharset"), u("134")}}},
        {u("frmTest_Caption"),
         {{u("frmTest"), u("Trawl Test Form")},
          {u("actQuit"), u("Quit")},
          {u("actLc"), u("Simplified Chinese")},
          {u("actLt"), u("Traditional Chinese")},
          {u("actLe"), u("English")},
          {u("actAbout"), u("About...")},
          {u("menuControl"), u("&Control")},
          {u("menuLanguage"), u("&Language")},
          {u("menuHelp"), u("&Help")}}},
        {u("frmTest_Hint"),
         {{u("actQuit"), u("退出")}, {u("actLt"), u("Traditional Chinese")}, {u("actAbout"), u("关于 Trawlex")}}},
        {u("frmTesttrvNavigation"),
         {{u("0"), u("Engine Search")}, {u("1"), u("Robot Search")}, {u("2"), u("Level Two")}, {u("3"), u("IE Search")}}},
        {u("frmTestlevEngine"), {{u("0"), u("Search Engine")}}},
        {u("frmTest_fraOne_Caption"),
         {{u("GroupBox1"), u("Limitation")},
          {u("btnStart"), u("&Start")},
          {u("rdoAll"), u("Scan All Links")},
          {u("chkJapan"), u("Scan Japanese Sites Only")}}},
        {u("frmTest_fraOnelevMail"), {{u("0"), u("Email")}, {u("1"), u("Source")}}},
        {u("frmTest_fraTwo_Caption"),
         {{u("btnStart"), u("&Start")}, {u("rdoType"), u("Extractor Type")}, {u("Label5"), u("Result Save File Name:")}}},
        {u("frmTest_fraTwo_Hint"), {{u("btnStart"), u("开始搜索")}}},
        {u("frmTest_fraTwolevMail"), {{u("0"), u("Queues")}, {u("1"), u("Level No")}}},
        {u("frmTest_fraTwordoType"), {{u("0"), u("Automatic Extract")}, {u("1"), u("Manual Extract")}}},
        {u("frmTest_fraTwo_fraInner_Caption"), {{u("labInner"), u("Inner label")}}},
    };
    const QByteArray bytes = folder.read(QStringLiteral("Learn.ini"));
    EXPECT_EQ(parseIni(bytes, "GBK"), expected);
    // A file made on Windows: CR LF, the character set first, Chinese texts as GBK bytes.
    EXPECT_TRUE(bytes.startsWith("[Font]\r\nFontCharset=134\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.contains("actQuit=\xCD\xCB\xB3\xF6\r\n"));
    // Nothing changed on screen, and a second walk has nothing more to learn.
    EXPECT_EQ(form.windowTitle(), u("Trawl Test Form"));
    EXPECT_EQ(hintOf(form.actQuit), u("退出"));
    EXPECT_EQ(form.actLt->text(), u("Traditional Chinese"));
    EXPECT_EQ(hintOf(form.actLc), QString());
    walker.la.setForceLanguageChange(true);
    walker.walk(&form);
    EXPECT_EQ(folder.read(QStringLiteral("Learn.ini")), bytes);
}

TEST(TznLangWalk, StoredValuesSetKeepOrEmptyTexts)
{
    const TempProgramFolder folder;
    const QString file = u("[Font]\r\nFontCharset=134\r\n"
                           "[frmTest_Caption]\r\nactQuit=%\r\nactAbout=^\r\nmenuControl=控制(&C)\r\n"
                           "[frmTest_Hint]\r\nactQuit=^\r\nactAbout=  %  \r\n"
                           "[frmTesttrvNavigation]\r\n0=^\r\n1=%\r\n2=第二层\r\n"
                           "[frmTest_fraTwordoType]\r\n0=^\r\n1=%\r\n"
                           "[frmTest_fraOnelevMail]\r\n0=^\r\n1=来源\r\n"
                           "[frmTest_fraTwo_Caption]\r\nlabBlank=\r\nLabel5=\"  quoted  \"\r\n");
    const QByteArray gbk = CodePage::encode(file, QByteArray("GBK")).value();
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Values.ini")), gbk));
    TfrmLangTest form;
    Walker walker(QStringLiteral("Values.ini"));
    walker.walk(&form);

    struct Row
    {
        const char *what;
        QString actual;
        QString expected;
    };
    const Row rows[] = {
        {"caption %", form.actQuit->text(), u("Quit")},
        {"caption ^", form.actAbout->text(), QString()},
        {"caption value", form.menuControl->title(), u("控制(&C)")},
        {"hint ^", hintOf(form.actQuit), QString()},
        {"hint % with blanks", hintOf(form.actAbout), u("关于 Trawlex")},
        {"tree node ^ is a text", nodeText(form.trvNavigation, 0), u("^")},
        {"tree node %", nodeText(form.trvNavigation, 1), u("Robot Search")},
        {"child node numbered after its parent", nodeText(form.trvNavigation, 1, 0), u("第二层")},
        {"radio item ^ is a text", form.rdoType->Item(0), u("^")},
        {"radio item %", form.rdoType->Item(1), u("Manual Extract")},
        {"column ^ is a text", form.levMailOne->ColumnCaption(0), u("^")},
        {"column value", form.levMailOne->ColumnCaption(1), u("来源")},
        {"blank text with an empty entry", form.labBlank->text(), QString()},
        {"quoted value", form.label5->text(), u("  quoted  ")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.actual, row.expected);
    }
    // "%" and "^" are kept in the file; an empty entry of a blank text learns nothing.
    const ProfileFile ini(folder.file(QStringLiteral("Values.ini")), "GBK");
    EXPECT_EQ(ini.value(u("frmTest_Caption"), u("actQuit")), u("%"));
    EXPECT_EQ(ini.value(u("frmTesttrvNavigation"), u("0")), u("^"));
    EXPECT_EQ(ini.value(u("frmTest_fraTwo_Caption"), u("labBlank")), QString());
}

TEST(TznLangWalk, BlankTextsAndTextsTheFileCannotHoldAreNotLearned)
{
    const TempProgramFolder folder;
    // An English file cannot hold the Chinese designed hints; a caption of two lines would come
    // back as its first line only.
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("English.ini")), "[Font]\r\nFontCharset=1\r\n"));
    TfrmLangTest form;
    form.label5->setText(QStringLiteral("Result file:\nname"));
    Walker walker(QStringLiteral("English.ini"));
    walker.walk(&form);

    const IniEntries learned = parseIni(folder.read(QStringLiteral("English.ini")), "windows-1252");
    struct Row
    {
        const char *section;
        const char *ident;
    };
    const Row absent[] = {
        {"frmTest_Hint", "actQuit"},
        {"frmTest_fraTwo_Hint", "btnStart"},
        {"frmTest_fraTwo_Caption", "Label5"},
        {"frmTest_fraTwo_Caption", "labBlank"},
        {"frmTest_fraTwo_Hint", "edtFile"},
        {"frmTest_Hint", "actLc"}, // an action shows its caption as tooltip; that is no hint
    };
    for (const Row &row : absent) {
        SCOPED_TRACE(std::string(row.section) + " " + row.ident);
        const auto section = learned.find(u(row.section));
        EXPECT_TRUE(section == learned.end() || !section->second.contains(u(row.ident)));
    }
    EXPECT_EQ(learned.at(u("frmTest_fraOne_Caption")).at(u("chkJapan")), u("Scan Japanese Sites Only"));
    EXPECT_EQ(hintOf(form.actQuit), u("退出"));
    EXPECT_EQ(form.label5->text(), u("Result file:\nname"));
}

TEST(TznLangWalk, ControlsOfTheSameNameInTwoPanelsHaveTheirOwnSections)
{
    const TempProgramFolder folder;
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Panels.ini")),
                           "[Font]\r\nFontCharset=1\r\n"
                           "[frmTest_fraOne_Caption]\r\nbtnStart=Run one\r\n"
                           "[frmTest_fraTwo_Caption]\r\nbtnStart=Run two\r\n"
                           "[frmTest_fraOnelevMail]\r\n0=Address\r\n"
                           "[frmTest_fraTwolevMail]\r\n0=Waiting link\r\n"
                           "[frmTest_Caption]\r\nbtnStart=Wrong owner\r\nlabInner=Wrong owner\r\n"
                           "[frmTest_fraTwo_fraInner_Caption]\r\nlabInner=Inner one\r\n"));
    TfrmLangTest form;
    Walker walker(QStringLiteral("Panels.ini"));
    walker.walk(&form);
    EXPECT_EQ(form.btnStartOne->text(), u("Run one"));
    EXPECT_EQ(form.btnStartTwo->text(), u("Run two"));
    EXPECT_EQ(form.levMailOne->ColumnCaption(0), u("Address"));
    EXPECT_EQ(form.levMailTwo->ColumnCaption(0), u("Waiting link"));
    EXPECT_EQ(form.labInner->text(), u("Inner one"));
}

TEST(TznLangWalk, FontsAreRaisedToTheMinimumAndTakeTheLanguagesFamily)
{
    if (!QFontDatabase::hasFamily(QStringLiteral("Noto Sans CJK TC")))
        GTEST_SKIP() << "fonts-noto-cjk is not installed";
    const TempProgramFolder folder;
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Tw.ini")), "[Font]\r\nFontCharset=136\r\n"));
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("En.ini")), "[Font]\r\nFontCharset=1\r\n"));
    TfrmLangTest form;
    auto *pixelSized = new QPushButton(QStringLiteral("Pixels"), form.fraTwo);
    pixelSized->setObjectName(QStringLiteral("btnPixels"));
    QFont pixels = pixelSized->font();
    pixels.setPixelSize(11); // "Tahoma" 11 pixels, about 8 points at 96 dots per inch
    pixelSized->setFont(pixels);

    Walker walker(QStringLiteral("Tw.ini"));
    walker.la.setForceLanguageChange(true);
    std::set<int> seen;
    walker.la.OnFontSize = [&seen](int &aFontSize) { seen.insert(aFontSize); };
    walker.walk(&form);
    EXPECT_EQ(seen, (std::set<int>{9, 12}));
    EXPECT_EQ(form.btnStartOne->font().pointSize(), 9);
    EXPECT_EQ(form.label5->font().pointSize(), 12);
    EXPECT_EQ(form.menuControl->font().pointSize(), 9);
    EXPECT_EQ(QFontInfo(pixelSized->font()).pointSize(), 9);
    EXPECT_EQ(form.btnStartTwo->font().families().value(0), u("Noto Sans CJK TC"));

    // The handler has the last word; the walk back to English restores the designed family.
    walker.la.setFileName(QStringLiteral("En.ini"));
    walker.la.OnFontSize = [](int &aFontSize) { aFontSize += aFontSize == 12 ? 2 : 0; };
    walker.walk(&form);
    EXPECT_EQ(form.label5->font().pointSize(), 14);
    EXPECT_EQ(form.btnStartOne->font().pointSize(), 9);
    EXPECT_EQ(form.btnStartTwo->font().families().value(0), u("DejaVu Sans"));
    EXPECT_EQ(form.label5->font().families().value(0), u("DejaVu Sans"));
}

TEST(TznLangWalk, FontCharsetValuesDecideTheCodePageAndWhatIsWritten)
{
    struct Row
    {
        const char *file;
        const char *charsetAfter;
        const char *encoding;       // of the learned Chinese hint, and of page text after the walk
        const char *encodingBefore; // of page text before the walk
    };
    const Row rows[] = {
        {"", "134", "GBK", "windows-1252"},
        {"[Font]\r\nFontCharset=0\r\n", "134", "GBK", "windows-1252"},
        {"[Font]\r\nFontCharset=not a number\r\n", "134", "GBK", "windows-1252"},
        {"[Font]\r\nFontCharset=136\r\n", "136", "Big5", "Big5"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        const TempProgramFolder folder;
        ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Lang.ini")), row.file));
        TfrmLangTest form;
        Walker walker(QStringLiteral("Lang.ini"));
        EXPECT_EQ(walker.la.TextEncoding(), QByteArray(row.encodingBefore));
        walker.walk(&form);
        EXPECT_EQ(walker.la.TextEncoding(), QByteArray(row.encoding)) << "the walk taught the file its character set";
        const ProfileFile ini(folder.file(QStringLiteral("Lang.ini")), row.encoding);
        EXPECT_EQ(ini.value(u("Font"), u("FontCharset")), u(row.charsetAfter));
        EXPECT_EQ(ini.value(u("frmTest_Hint"), u("actQuit")), u("退出"));
    }
}

TEST(TznLangWalk, AFormWithoutNameOnlyHasItsFontsAdjusted)
{
    const TempProgramFolder folder;
    const QByteArray file = "[Font]\r\nFontCharset=1\r\n"
                            "[_Caption]\r\nbtnStart=X\r\nactQuit=X\r\n"
                            "[Caption]\r\nactQuit=X\r\n"
                            "[fraOne_Caption]\r\nbtnStart=X\r\n"
                            "[trvNavigation]\r\n0=X\r\n"
                            "[levEngine]\r\n0=X\r\n";
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Lang.ini")), file));
    TfrmLangTest form;
    form.setObjectName(QString());
    Walker walker(QStringLiteral("Lang.ini"));
    int handled = 0;
    walker.la.OnTranslate = [&handled](QObject *, const QString &, const TznIniSetting &) { ++handled; };
    walker.walk(&form);

    EXPECT_EQ(folder.read(QStringLiteral("Lang.ini")), file);
    EXPECT_EQ(form.actQuit->text(), u("Quit"));
    EXPECT_EQ(form.btnStartOne->text(), u("&Start"));
    EXPECT_EQ(nodeText(form.trvNavigation, 0), u("Engine Search"));
    EXPECT_EQ(form.levEngine->ColumnCaption(0), u("Search Engine"));
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(form.btnStartOne->font().pointSize(), 9);
    EXPECT_EQ(form.label5->font().pointSize(), 12);
}

TEST(TznLangWalk, ChineseFilesKeepTheirBytesAndLearnInTheirCodePage)
{
    struct Row
    {
        const char *language;
        int charset;
        const char *japanCaption;
        const char *quitCaption;
    };
    const Row rows[] = {{"ChinaCn", 134, "只扫描日文网站", "退出"}, {"ChinaTw", 136, "只掃描日文網站", "結束"}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.language);
        const TempProgramFolder folder;
        const QByteArray original = readBytes(testLanguageFile(row.language));
        ASSERT_FALSE(original.isEmpty());
        const QString copy = folder.file(QStringLiteral("Lang.ini"));
        ASSERT_TRUE(writeBytes(copy, original));

        TfrmLangTest form;
        Walker walker(QStringLiteral("Lang.ini"));
        walker.walk(&form);
        EXPECT_EQ(folder.read(QStringLiteral("Lang.ini")), original);
        EXPECT_EQ(form.actQuit->text(), u(row.quitCaption));
        EXPECT_EQ(form.chkJapan->text(), u(row.japanCaption));
        EXPECT_EQ(form.levEngine->Text(0, 0), u("百度")); // rows are data

        // Without its entry the Chinese text is learned back, byte for byte where it stood.
        const QByteArray line = "chkJapan=" + CodePage::encode(u(row.japanCaption), row.charset).value() + "\r\n";
        ASSERT_TRUE(original.contains(line));
        ASSERT_TRUE(writeBytes(copy, QByteArray(original).replace(line, QByteArray())));
        TfrmLangTest designedInChinese;
        designedInChinese.chkJapan->setText(u(row.japanCaption));
        walker.walk(&designedInChinese);
        EXPECT_EQ(folder.read(QStringLiteral("Lang.ini")), original);
    }
}

TEST(TznLangWalk, TranslatedComponentsAreSkippedUnlessTheChangeIsForced)
{
    const TempProgramFolder folder;
    const QString file = folder.file(QStringLiteral("Lang.ini"));
    ASSERT_TRUE(writeBytes(file, "[Font]\r\nFontCharset=1\r\n[frmTest_Caption]\r\nactQuit=Leave\r\n"));
    TfrmLangTest form;
    Walker walker(QStringLiteral("Lang.ini"));
    walker.walk(&form);
    EXPECT_EQ(form.actQuit->text(), u("Leave"));
    for (const QObject *visited : std::initializer_list<const QObject *>{&form, form.actQuit, form.fraTwo, form.fraInner, form.labInner}) {
        SCOPED_TRACE(visited->objectName().toStdString());
        EXPECT_EQ(visited->property("Tag").toInt(), 1);
    }

    // Edited by hand while the program runs.
    ProfileFile(file).writeString(u("frmTest_Caption"), u("actQuit"), u("Exit"));
    walker.walk(&form);
    EXPECT_EQ(form.actQuit->text(), u("Leave"));
    walker.la.Translate(form.fraTwo, u("frmTest"));
    EXPECT_EQ(form.btnStartTwo->text(), u("&Start"));

    walker.la.setForceLanguageChange(true);
    walker.walk(&form);
    EXPECT_EQ(form.actQuit->text(), u("Exit"));
}

TEST(TznLangWalk, OnlyFontCallsTheHandlerWithSectionAndOpenFile)
{
    const TempProgramFolder folder;
    TfrmLangTest form;
    Walker walker(QStringLiteral("Lang.ini"));
    walker.la.setOnlyFont(true);
    std::map<QString, QString> sections; // component name -> section, the last one seen
    QString handedFile;
    walker.la.OnTranslate = [&](QObject *aComponent, const QString &aIniSection, const TznIniSetting &aIni) {
        sections[aComponent->objectName()] = aIniSection;
        handedFile = aIni.FullFileName();
    };
    walker.walk(&form);
    EXPECT_EQ(folder.read(QStringLiteral("Lang.ini")), "[Font]\r\nFontCharset=134\r\n");
    EXPECT_EQ(form.actQuit->text(), u("Quit"));
    EXPECT_EQ(form.btnStartOne->font().pointSize(), 9);
    EXPECT_EQ(handedFile, folder.file(QStringLiteral("Lang.ini")));
    EXPECT_EQ(sections[u("rdoType")], u("frmTest_fraTwordoType"));
    EXPECT_EQ(sections[u("levEngine")], u("frmTestlevEngine"));
    EXPECT_EQ(sections[u("labInner")], u("frmTest_fraTwo_fraInnerlabInner"));
    EXPECT_EQ(sections[u("actQuit")], u("frmTestactQuit"));
}

namespace {

// A component derived to extend the walk sees every component the walk reaches.
class TRecordingLang final : public TznLang
{
public:
    void Translate(QObject *Component, const QString &Prefix) override
    {
        calls.push_back(Prefix + QLatin1Char('|') + Component->objectName());
        TznLang::Translate(Component, Prefix);
    }
    std::vector<QString> calls;
};

} // namespace

TEST(TznLangWalk, TheWalkGoesThroughTheOverridableTranslate)
{
    const TempProgramFolder folder;
    TfrmLangTest form;
    TRecordingLang la;
    la.setEnabled(false);
    la.setFileName(QStringLiteral("Lang.ini"));
    la.Translate(&form, QString());
    const auto called = [&la](const char *call) {
        return std::find(la.calls.begin(), la.calls.end(), u(call)) != la.calls.end();
    };
    EXPECT_TRUE(called("|frmTest"));
    EXPECT_TRUE(called("frmTest|fraTwo"));
    EXPECT_TRUE(called("frmTest_fraTwo|fraInner"));
    EXPECT_TRUE(called("frmTest_fraTwo_fraInner|labInner"));
    EXPECT_TRUE(called("frmTest|actQuit"));
    EXPECT_TRUE(called("frmTest|menuControl"));
    EXPECT_FALSE(called("frmTest|labInner")); // the panel owns it
    EXPECT_FALSE(called("frmTest|qt_scrollarea_viewport"));
}

TEST(TznLangWalk, AFormIsTranslatedWhenItBecomesActive)
{
    const TempProgramFolder folder;
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("ChinaCn.ini")), readBytes(testLanguageFile("ChinaCn"))));
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        TznLang la;
        la.setFileName(QStringLiteral("ChinaCn.ini"));
        la.setEnabled(enabled);
        la.setForceLanguageChange(true);
        la.OnTranslate = LangRules::translateItemLists;
        std::vector<QString> changes;
        la.OnActiveFormChange = [&changes](QObject *Sender) {
            const QWidget *active = QApplication::activeWindow();
            changes.push_back(QString::fromLatin1(Sender != nullptr ? Sender->metaObject()->className() : "none")
                              + QLatin1Char(' ') + (active != nullptr ? active->windowTitle() : QString()));
        };
        TfrmLangTest form;
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QCoreApplication::processEvents();
        ASSERT_EQ(changes.size(), 1U);
        // The notification comes before the walk.
        EXPECT_EQ(changes[0], u("TznLang Trawl Test Form"));
        EXPECT_EQ(form.windowTitle(), enabled ? u("Trawl 测试窗口") : u("Trawl Test Form"));
        EXPECT_EQ(form.rdoType->Item(0), enabled ? u("自动提取") : u("Automatic Extract"));
        form.close();
    }
}

TEST(TznLangWalk, QtsOwnDialogsAreNotWalkedWhenActive)
{
    const TempProgramFolder folder;
    TznLang la;
    la.setFileName(QStringLiteral("Lang.ini"));
    la.setForceLanguageChange(true);
    int changes = 0;
    la.OnActiveFormChange = [&changes](QObject *) { ++changes; };
    QMessageBox box(QMessageBox::Information, QStringLiteral("Title"), QStringLiteral("Text"));
    box.setObjectName(QStringLiteral("msgInfo"));
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Lang.ini"))));
    box.close();
}
