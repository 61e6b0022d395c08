// The browser capture panel against a store file in a temporary folder. The application object is
// the program's own, so a failed write travels to the error report as it does for a user; the
// error box, the save dialog and the browser are replaced.

#include "search/IeSearch.h"

#include "platform/ShellOpen.h"
#include "shell/RadioGroup.h"
#include "shell/TrawlApplication.h"
#include "shell/WebAddresses.h"
#include "shell/znStatusBar.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/search/PanelTestSupport.h"

#include <QAbstractButton>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

namespace {

QByteArray storeHolding(const QByteArray &values)
{
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\n" + values;
}

class IeSearchTest : public testing::Test
{
protected:
    IeSearchTest()
    {
        panel.setSaveDialog([this](QWidget *, const QString &fileName, const QString &filter) {
            dialogCalls.append(fileName + QLatin1Char('|') + filter);
            return dialogAnswer;
        });
        previousReporter = app()->setErrorReporter(
            [this](const QString &title, const QString &message) { errors.append(title + QStringLiteral(": ") + message); });
        previousLauncher = ShellOpen::setLauncher([this](const QString &address) { opened.append(address); });
        panel.show();
    }
    ~IeSearchTest() override
    {
        app()->setErrorReporter(previousReporter);
        ShellOpen::setLauncher(previousLauncher);
    }

    static TrawlApplication *app() { return static_cast<TrawlApplication *>(QCoreApplication::instance()); }

    template <typename T>
    T *part(const char *name) const
    {
        T *found = panel.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    TRadioGroup *mode() const { return part<TRadioGroup>("rdoType"); }
    QLineEdit *file() const { return part<QLineEdit>("edtFile"); }
    QString status() const { return part<TznStatusBar>("stuPage")->PanelText(0); }
    void click(const char *button) const { QTest::mouseClick(part<QAbstractButton>(button), Qt::LeftButton); }

    TempRegistryFile registry;
    TfaIE panel{standInServices()};
    std::optional<QString> dialogAnswer;
    QStringList dialogCalls, errors, opened;
    TrawlApplication::ErrorReporter previousReporter;
    ShellOpen::Launcher previousLauncher;
};

} // namespace

TEST_F(IeSearchTest, StatusBarKeepsToTheBottomEdgeAndTheControlsKeepTheirPlaces)
{
    EXPECT_EQ(panel.objectName(), QStringLiteral("fraIE"));
    panel.resize(700, 500);
    EXPECT_EQ(part<TznStatusBar>("stuPage")->geometry(), QRect(0, 461, 700, 39));
    EXPECT_EQ(file()->geometry(), QRect(34, 33, 327, 21));
}

TEST_F(IeSearchTest, FirstUseShowsManualExtractAndAnEmptyFieldWithoutWritingAnything)
{
    mode()->setItemIndex(0);
    file()->setText(QStringLiteral("typed"));
    panel.LoadSettings();
    EXPECT_EQ(mode()->ItemIndex(), 1);
    EXPECT_EQ(file()->text(), QString());
    EXPECT_FALSE(QFileInfo::exists(registry.path()));
}

TEST_F(IeSearchTest, OkStoresModeBeforeFileAndShowingThePanelAgainShowsWhatWasStored)
{
    panel.LoadSettings();
    mode()->setItemIndex(0);
    QTest::keyClicks(file(), QStringLiteral("/home/jane/found \"mail\".txt"));
    click("btnOK");
    EXPECT_EQ(registry.read(), storeHolding("\"Type\"=\"0\"\n\"Filename\"=\"/home/jane/found \\\"mail\\\".txt\"\n"));
    EXPECT_EQ(status(), QStringLiteral("text of Save"));

    // Another node chosen, something typed meanwhile, the node chosen again.
    panel.hide();
    mode()->setItemIndex(1);
    file()->setText(QStringLiteral("never confirmed"));
    panel.LoadSettings();
    panel.show();
    EXPECT_EQ(mode()->ItemIndex(), 0);
    EXPECT_EQ(file()->text(), QStringLiteral("/home/jane/found \"mail\".txt"));
    EXPECT_EQ(status(), QStringLiteral("text of Save")) << "the status stays until the next OK or Cancel";
}

TEST_F(IeSearchTest, CancelBringsBackTheStoredValuesAndSaysSo)
{
    registry.write(storeHolding("\"Type\"=\"0\"\n\"Filename\"=\"/srv/stored.txt\"\n"));
    panel.LoadSettings();
    mode()->setItemIndex(1);
    file()->setText(QStringLiteral("/srv/other.txt"));
    click("btnCancel");
    EXPECT_EQ(mode()->ItemIndex(), 0);
    EXPECT_EQ(file()->text(), QStringLiteral("/srv/stored.txt"));
    EXPECT_EQ(status(), QStringLiteral("text of Cancel"));
}

TEST_F(IeSearchTest, StoredModeIsKeptInRangeAndOneThatIsNoNumberLeavesTheFieldAlone)
{
    const struct
    {
        QByteArray type;
        int index;
        bool fileRead;
    } rows[] = {
        {"\"0\"", 0, true},          {"\"1\"", 1, true},           {"\"7\"", 1, true},
        {"\"-1\"", -1, true},        {"\"-3\"", -1, true},         {"\"\"", 1, false},
        {"\"two\"", 1, false},       {"\"1.5\"", 1, false},        {"\"99999999999\"", 1, false},
        {"dword:00000000", 1, true}, // not a string: the default "1"
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.type.toStdString());
        registry.write(storeHolding("\"Type\"=" + row.type + "\n\"Filename\"=\"/srv/stored.txt\"\n"));
        mode()->setItemIndex(0);
        file()->setText(QStringLiteral("typed"));
        panel.LoadSettings();
        EXPECT_EQ(mode()->ItemIndex(), row.index);
        EXPECT_EQ(file()->text(), row.fileRead ? QStringLiteral("/srv/stored.txt") : QStringLiteral("typed"));
    }

    registry.write(storeHolding("\"Type\"=\"-3\"\n\"Filename\"=\"\"\n"));
    panel.LoadSettings();
    click("btnOK");
    EXPECT_EQ(registry.read(), storeHolding("\"Type\"=\"-1\"\n\"Filename\"=\"\"\n"));
}

TEST_F(IeSearchTest, SaveDialogStartsFromTheFieldAndGivesAFileWithoutExtensionTxt)
{
    const struct
    {
        const char *chosen;
        const char *field;
    } rows[] = {
        {"/home/jane/results", "/home/jane/results.txt"},
        {"/home/jane.doe/results", "/home/jane.doe/results"}, // a dot anywhere in the path counts
        {"/home/jane/.config/results", "/home/jane/.config/results"},
        {"/home/jane/results.csv", "/home/jane/results.csv"},
        {"/home/jane/results.", "/home/jane/results."},
        {"/home/jane/.results", "/home/jane/.results"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.chosen);
        file()->setText(QStringLiteral("before.txt"));
        dialogCalls.clear();
        dialogAnswer = QString::fromUtf8(row.chosen);
        click("spbTo");
        EXPECT_EQ(dialogCalls, QStringList{QStringLiteral(u"before.txt|文本文件 (*.txt)")});
        EXPECT_EQ(file()->text(), QString::fromUtf8(row.field));
    }
    EXPECT_FALSE(QFileInfo::exists(registry.path())) << "only OK stores the name";

    for (const QString &before : {QString(), QStringLiteral("/srv/kept.txt")}) {
        file()->setText(before);
        dialogAnswer = std::nullopt;
        click("spbTo");
        EXPECT_EQ(file()->text(), before) << "cancelled";
    }
}

TEST_F(IeSearchTest, FailedWriteReachesTheErrorBoxAndEndsOkThere)
{
    registry.write(storeHolding("\"Type\"=\"1\"\n\"Filename\"=\"/srv/old.txt\"\n"));
    const QByteArray before = registry.read();
    ASSERT_TRUE(QFile::setPermissions(registry.path(), QFileDevice::ReadOwner));
    panel.LoadSettings();

    mode()->setItemIndex(0);
    click("btnOK");
    EXPECT_EQ(errors, QStringList{QStringLiteral("Norvane Trawlex: Failed to set data for 'Type'")});
    EXPECT_EQ(status(), QString());

    // The mode is stored already, so the file name is the first value that fails.
    mode()->setItemIndex(1);
    file()->setText(QStringLiteral("/srv/new.txt"));
    click("btnOK");
    EXPECT_EQ(errors.value(1), QStringLiteral("Norvane Trawlex: Failed to set data for 'Filename'"));
    EXPECT_EQ(status(), QString());
    EXPECT_EQ(registry.read(), before);

    ASSERT_TRUE(QFile::setPermissions(registry.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    click("btnOK");
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(status(), QStringLiteral("text of Save"));
}

TEST_F(IeSearchTest, SupportLinkShowsTheHandOverItselfOpensTheSupportPageAndFitsItsText)
{
    auto *link = part<QLabel>("Label1");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_FALSE(link->testAttribute(Qt::WA_SetCursor));

    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 5, 2)); // dragged away
    EXPECT_EQ(opened, QStringList{QString(WebAddresses::onlineSupport)});

    // A longer translation moves left, over the second panel only, and stops at the bar's edge.
    panel.resize(491, 361);
    EXPECT_EQ(link->geometry().left(), 240);
    EXPECT_EQ(link->width(), link->sizeHint().width());
    link->setText(QStringLiteral("Support Page: https://www.norvane.example/support/trawlex/"));
    QCoreApplication::processEvents();
    auto *bar = part<TznStatusBar>("stuPage");
    EXPECT_EQ(link->geometry().left(), bar->PanelRect(1).left() + 4);
    EXPECT_EQ(link->geometry().right(), bar->width() - 1);
}
