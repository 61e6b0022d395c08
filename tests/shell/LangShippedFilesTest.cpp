// The language and message files that ship beside the program. Walking every form of the
// program with a copy of each shipped language file must learn nothing (the file keeps its
// bytes), empty no designed text and leave no text the language's code page cannot show; the
// message files must hold every key the program looks up.

#include "app/ProgramStart.h"
#include "platform/CodePage.h"
#include "search/EngineOption.h"
#include "search/RobotOption.h"
#include "shell/About.h"
#include "shell/LangRules.h"
#include "shell/LangSections.h"
#include "shell/LangTexts.h"
#include "shell/Main.h"
#include "shell/znLang.h"
#include "tests/shell/LangTestForm.h"
#include "tests/shell/LangTestSupport.h"
#include "tests/support/TempProgramFolder.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct RealForm
{
    const char *name;
    std::function<std::unique_ptr<QWidget>()> make;
};

// Every form of the program, with its panels. Each change that adds a form adds it here and its
// texts to English.ini, ChinaCn.ini and ChinaTw.ini.
std::vector<RealForm> realForms()
{
    return {
        {"AboutBox", [] { return std::make_unique<TAboutBox>(); }},
        {"frmEngineOption", [] { return std::make_unique<TfrmEngineOption>(TPanelServices()); }},
        {"frmRobotOption", [] { return std::make_unique<TfrmRobotOption>(TPanelServices()); }},
        // With its panels, made as the program makes them, in a program folder of its own that
        // holds the message file it loads while it is built.
        {"frmMain",
         [] {
             const TempProgramFolder folder;
             writeBytes(folder.file(u("EnglishP.ini")), readBytes(QStringLiteral(TRAWL_LANG_SOURCE_DIR "/EnglishP.ini")));
             return std::make_unique<TfrmMain>(&ProgramStart::makeMainPanels);
         }},
    };
}

struct ShippedLanguage
{
    const char *file;
    int charset;
    const char *messageFile;
};
constexpr ShippedLanguage shippedLanguages[] = {
    {"English.ini", CodePage::defaultCharset, "EnglishP.ini"},
    {"ChinaCn.ini", CodePage::gb2312Charset, "ChinaCnP.ini"},
    {"ChinaTw.ini", CodePage::chineseBig5Charset, "ChinaTwP.ini"},
};

const char *const messageKeys[] = {"Title",          "Searching",         "Stopping",       "Finished",
                                   "EmailsCount",    "SearchPhrase",      "InitUrl",        "PhraseUnSpecified",
                                   "InitUrlWarning", "InitUrlUnspedified", "Save",          "Cancel",
                                   "FileUnwritable", "LinkLeftOut",       "LinksLeftOut",  "HostLeftOut",
                                   "HostsLeftOut",   "CrawlKept",         "FilesFolder",      "EngineRefusing"};

// Texts the panels fill in, and how many numbered places each must keep: a place lost in a
// translation would drop a number or the host names from what the user is told.
struct FilledKey
{
    const char *key;
    int places;
};
constexpr FilledKey filledKeys[] = {{"LinkLeftOut", 2}, {"LinksLeftOut", 2}, {"HostLeftOut", 4}, {"HostsLeftOut", 4},
                                     {"EngineRefusing", 2}};

QString shippedFile(const char *name)
{
    return QStringLiteral(TRAWL_LANG_SOURCE_DIR "/") + u(name);
}

struct ShownText
{
    QString where;
    QString text;
};

void collectItems(const QString &where, const std::optional<LangTexts::ItemList> &items, std::vector<ShownText> &out)
{
    if (!items)
        return;
    for (int i = 0; i < items->count; ++i)
        out.push_back({where + QLatin1Char('.') + QString::number(i), items->text(i)});
}

// Every translatable text the form shows, walked by ownership as the translation walks it.
void collectTexts(QObject *owner, const QString &path, std::vector<ShownText> &out)
{
    for (QObject *child : LangSections::ownedComponents(owner)) {
        const QString where = path + QLatin1Char('/') + child->objectName();
        for (const auto property : {LangTexts::Property::Caption, LangTexts::Property::Hint}) {
            if (const std::optional<QString> text = LangTexts::text(child, property))
                out.push_back({where + QLatin1Char('.') + LangTexts::nameOf(property), *text});
        }
        collectItems(where, LangTexts::treeNodes(child), out);
        collectItems(where, LangTexts::radioItems(child), out);
        collectItems(where, LangTexts::listColumns(child), out);
        if (LangSections::isPanel(child))
            collectTexts(child, where, out);
    }
}

std::vector<ShownText> textsOf(QWidget &form)
{
    std::vector<ShownText> texts{{form.objectName() + u(".Caption"), form.windowTitle()}};
    collectTexts(&form, form.objectName(), texts);
    return texts;
}

// What is wrong with `languageFile` for `form`; empty when nothing is.
QStringList walkProblems(QWidget &form, const QByteArray &languageFile, int charset)
{
    const TempProgramFolder folder;
    if (!writeBytes(folder.file(QStringLiteral("Lang.ini")), languageFile))
        return {u("cannot copy the language file")};
    const std::vector<ShownText> designed = textsOf(form);
    TznLang la;
    la.setEnabled(false);
    la.setForceLanguageChange(true);
    la.OnTranslate = LangRules::translateItemLists;
    la.setFileName(QStringLiteral("Lang.ini"));
    la.Translate(&form, QString());

    QStringList problems;
    const QByteArray after = folder.read(QStringLiteral("Lang.ini"));
    if (after != languageFile)
        problems.append(u("texts were learned; the file became:\n") + CodePage::decode(after, charset));
    const std::vector<ShownText> shown = textsOf(form);
    for (size_t i = 0; i < shown.size() && i < designed.size(); ++i) {
        if (!designed[i].text.trimmed().isEmpty() && shown[i].text.trimmed().isEmpty())
            problems.append(shown[i].where + u(" is empty"));
        if (!CodePage::encode(shown[i].text, charset))
            problems.append(shown[i].where + u(" is not translated: ") + shown[i].text);
    }
    if (shown.size() != designed.size())
        problems.append(u("the walk changed the form's components"));
    return problems;
}

} // namespace

TEST(ShippedLanguageFiles, WalkingEveryFormLearnsNothingAndEmptiesNothing)
{
    for (const ShippedLanguage &language : shippedLanguages) {
        const QByteArray file = readBytes(shippedFile(language.file));
        ASSERT_FALSE(file.isEmpty()) << language.file;
        // A form without texts still checks that the file names its character set.
        QWidget bare;
        bare.setObjectName(QStringLiteral("frmBare"));
        EXPECT_EQ(walkProblems(bare, file, language.charset), QStringList()) << language.file;
        for (const RealForm &form : realForms()) {
            SCOPED_TRACE(std::string(language.file) + " " + form.name);
            const std::unique_ptr<QWidget> widget = form.make();
            EXPECT_EQ(walkProblems(*widget, file, language.charset), QStringList());
        }
    }
}

TEST(ShippedLanguageFiles, TheGuardPassesCompleteFilesAndCatchesGaps)
{
    struct Row
    {
        const char *language;
        int charset;
        const char *removedLine; // UTF-8; empty: the complete file
        const char *problem;
    };
    const Row rows[] = {
        {"English", 1, "", ""},
        {"ChinaCn", 134, "", ""},
        {"ChinaTw", 136, "", ""},
        {"English", 1, "rdoAll=Scan All Links\r\n", "texts were learned"},
        // The English file cannot learn the Chinese designed hint; showing it is the fault.
        {"English", 1, "actQuit=Quit the program\r\n", "frmTest/actQuit.Hint is not translated"},
        {"ChinaTw", 136, "1=來源\r\n", "texts were learned"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.language) + " without " + row.removedLine);
        QByteArray file = readBytes(testLanguageFile(row.language));
        ASSERT_FALSE(file.isEmpty());
        if (*row.removedLine != '\0') {
            const QByteArray line = CodePage::encode(u(row.removedLine), row.charset).value();
            ASSERT_TRUE(file.contains(line));
            file.replace(line, "");
        }
        TfrmLangTest form;
        const QStringList problems = walkProblems(form, file, row.charset);
        if (*row.problem == '\0') {
            EXPECT_EQ(problems, QStringList());
        } else {
            ASSERT_FALSE(problems.isEmpty());
            EXPECT_TRUE(problems.first().startsWith(u(row.problem))) << problems.first().toStdString();
        }
    }
}

TEST(ShippedLanguageFiles, FilesAreWindowsTextInTheirLanguagesCodePage)
{
    for (const ShippedLanguage &language : shippedLanguages) {
        for (const char *name : {language.file, language.messageFile}) {
            SCOPED_TRACE(name);
            const QByteArray bytes = readBytes(shippedFile(name));
            ASSERT_FALSE(bytes.isEmpty());
            EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
            EXPECT_TRUE(bytes.endsWith("\r\n"));
            const QString text = CodePage::decode(bytes, language.charset);
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
            EXPECT_EQ(CodePage::encode(text, language.charset).value_or(QByteArray()), bytes);
            // What the build lays beside the program is what is shipped.
            EXPECT_EQ(readBytes(QStringLiteral(TRAWL_PROGRAM_DIR "/") + u(name)), bytes);
        }
        const IniEntries entries = parseIni(readBytes(shippedFile(language.file)), CodePage::encodingOf(language.charset));
        EXPECT_EQ(entries.at(u("Font")).at(u("FontCharset")), QString::number(language.charset)) << language.file;
    }
}

TEST(ShippedLanguageFiles, MessageFilesHoldEveryKeyInTheirLanguage)
{
    for (const ShippedLanguage &language : shippedLanguages) {
        SCOPED_TRACE(language.messageFile);
        const TempProgramFolder folder;
        ASSERT_TRUE(writeBytes(folder.file(u(language.file)), readBytes(shippedFile(language.file))));
        TznLang la;
        la.setFileName(u(language.file));
        la.LoadParas(shippedFile(language.messageFile));
        EXPECT_EQ(la.Paras().size(), qsizetype(std::size(messageKeys)));
        for (const char *key : messageKeys) {
            SCOPED_TRACE(key);
            const QString text = la.ParaText(u(key));
            EXPECT_FALSE(text.trimmed().isEmpty());
            const bool chinese = std::any_of(text.begin(), text.end(), [](QChar c) {
                return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
            });
            // The title is the product's name in every language.
            if (QByteArrayView(key) != "Title") {
                EXPECT_EQ(chinese, language.charset != CodePage::defaultCharset) << text.toStdString();
            }
        }
        for (const FilledKey &filled : filledKeys) {
            const QString text = la.ParaText(u(filled.key));
            for (int place = 1; place <= filled.places + 1; ++place)
                EXPECT_EQ(text.count(QLatin1Char('%') + QString::number(place)), place <= filled.places ? 1 : 0)
                    << filled.key << " %" << place << ": " << text.toStdString();
        }
    }
}
