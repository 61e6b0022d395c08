// Choosing the interface language from the main window's Language menu, and starting again in
// the language chosen last.

#include "shell/LanguageChoice.h"

#include "shell/LangRules.h"
#include "shell/znIniSetting.h"
#include "shell/znLang.h"
#include "tests/shell/LangTestForm.h"
#include "tests/shell/LangTestSupport.h"
#include "tests/support/TempProgramFolder.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A program folder with the test form's texts under the shipped names, and the shipped message
// files.
void installLanguages(const TempProgramFolder &folder)
{
    for (const char *language : {"English", "ChinaCn", "ChinaTw"}) {
        const QString name = u(language);
        ASSERT_TRUE(writeBytes(folder.file(name + u(".ini")), readBytes(testLanguageFile(language))));
        ASSERT_TRUE(writeBytes(folder.file(name + u("P.ini")),
                               readBytes(QStringLiteral(TRAWL_LANG_SOURCE_DIR "/") + name + u("P.ini"))));
    }
}

struct MainWindow
{
    MainWindow()
    {
        la.setEnabled(false);
        la.setForceLanguageChange(true);
        la.OnTranslate = LangRules::translateItemLists;
        iniMain.setFileName(QStringLiteral("TrawlMain.ini"));
    }
    void choose(const char *action)
    {
        LanguageChoice::Switch(*LanguageChoice::forAction(u(action)), la, iniMain, &form,
                               {form.actLc, form.actLt, form.actLe});
    }
    QStringList checked() const
    {
        QStringList names;
        for (const QAction *action : {form.actLc, form.actLt, form.actLe}) {
            if (action->isChecked())
                names.append(action->objectName());
        }
        return names;
    }

    TfrmLangTest form;
    TznLang la;
    TznIniSetting iniMain;
};

} // namespace

TEST(LanguageChoice, EachActionSwitchesTranslatesAndIsRememberedAcrossARestart)
{
    struct Row
    {
        const char *action;
        const char *testFile;
        const char *languageFile;
        const char *messageFile;
        const char *formTitle;
        const char *searching;
    };
    const Row rows[] = {
        {"actLt", "ChinaTw", "ChinaTw.ini", "ChinaTwP.ini", "Trawl 測試視窗", "正在搜尋…"},
        {"actLc", "ChinaCn", "ChinaCn.ini", "ChinaCnP.ini", "Trawl 测试窗口", "正在搜索…"},
        {"actLe", "English", "English.ini", "EnglishP.ini", "Trawl Test Form", "Searching..."},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.action);
        const TempProgramFolder folder;
        installLanguages(folder);
        {
            MainWindow main;
            main.choose(row.action);
            EXPECT_EQ(main.checked(), QStringList{u(row.action)});
            EXPECT_EQ(main.la.FileName(), u(row.languageFile));
            EXPECT_EQ(main.la.ParaText(u("Searching")), u(row.searching));
            EXPECT_EQ(main.form.windowTitle(), u(row.formTitle));
            const IniEntries stored = parseIni(folder.read(QStringLiteral("TrawlMain.ini")), "windows-1252");
            EXPECT_EQ(stored.at(u("Language")).at(u("Language")), u(row.languageFile));
            EXPECT_EQ(stored.at(u("Para")).at(u("Para")), u(row.messageFile));
        }
        MainWindow restarted;
        LanguageChoice::Restore(restarted.la, restarted.iniMain);
        EXPECT_EQ(restarted.la.FileName(), u(row.languageFile));
        EXPECT_EQ(restarted.la.ParaText(u("Searching")), u(row.searching));
        EXPECT_TRUE(restarted.checked().isEmpty());
        // Nothing is learned into the shipped texts by switching.
        EXPECT_EQ(folder.read(u(row.languageFile)), readBytes(testLanguageFile(row.testFile)));
    }
}

TEST(LanguageChoice, ExactlyOneLanguageIsCheckedAfterEachChoice)
{
    const TempProgramFolder folder;
    installLanguages(folder);
    MainWindow main;
    for (const char *action : {"actLe", "actLc", "actLc", "actLt"}) {
        SCOPED_TRACE(action);
        main.choose(action);
        EXPECT_EQ(main.checked(), QStringList{u(action)});
    }
}

TEST(LanguageChoice, AFirstStartTakesEnglishAndAMissingMessageFileIsReported)
{
    const TempProgramFolder folder;
    installLanguages(folder);
    {
        MainWindow main;
        LanguageChoice::Restore(main.la, main.iniMain);
        EXPECT_EQ(main.la.FileName(), u("English.ini"));
        EXPECT_EQ(main.la.ParaText(u("Title")), u("Norvane Trawlex"));
    }
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("EnglishP.ini"))));
    MainWindow main;
    main.la.setParas({u("Title=before")});
    main.la.setFileName(QStringLiteral("ChinaCn.ini"));
    EXPECT_THROW(LanguageChoice::Restore(main.la, main.iniMain), EFOpenError);
    EXPECT_EQ(main.la.FileName(), u("English.ini"));
    EXPECT_EQ(main.la.ParaText(u("Title")), u("before"));
}

TEST(LanguageChoice, AMissingMessageFileStopsTheSwitchAfterTheCheckMarksAndFileName)
{
    const TempProgramFolder folder;
    installLanguages(folder);
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("ChinaTwP.ini"))));
    MainWindow main;
    main.choose("actLc");
    const QByteArray settings = folder.read(QStringLiteral("TrawlMain.ini"));
    try {
        main.choose("actLt");
        ADD_FAILURE() << "no error raised";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory")
                                       .arg(folder.file(QStringLiteral("ChinaTwP.ini"))));
    }
    EXPECT_EQ(main.checked(), QStringList{u("actLt")});
    EXPECT_EQ(main.la.FileName(), u("ChinaTw.ini"));
    EXPECT_EQ(main.la.ParaText(u("Searching")), u("正在搜索…"));
    EXPECT_EQ(main.form.windowTitle(), u("Trawl 测试窗口"));
    EXPECT_EQ(folder.read(QStringLiteral("TrawlMain.ini")), settings);
}
