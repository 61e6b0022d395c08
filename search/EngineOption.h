#pragma once
// The engine search options dialog: the search phrases, the result file, which search engines
// are asked and in which order, and the limits for the pages reached from the result pages.
// One instance lives for the whole run; the engine panel reads its engine list live at every
// result-page request, so the list is the one place where the choice of engines is held.

#include "search/EngineFile.h"
#include "search/EngineTable.h"
#include "search/OptionDialog.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>


namespace Ui {
class TfrmEngineOption;
}

class TfrmEngineOption final : public TOptionDialog
{
    Q_OBJECT

public:
    // The inclusion mark of an engine row, kept as the row's image index.
    static constexpr int includedImage = 0;
    static constexpr int noImage = -1;

    // Messages and help come from `services`.
    explicit TfrmEngineOption(const TPanelServices &services, QWidget *parent = nullptr);
    ~TfrmEngineOption() override;
    TfrmEngineOption(const TfrmEngineOption &) = delete;
    TfrmEngineOption &operator=(const TfrmEngineOption &) = delete;

    // The engine rows in the order the list shows them now, included when the image index is 0.
    QList<EngineRow> EngineRows() const;
    // The engines of Engines.ini as the list was made with them, behind the designed three.
    const QList<FileEngine> &FileEngines() const { return fileEngines_; }
    // The least time between two result pages of one engine in a thorough crawl, kept in the
    // main settings beside the other thorough settings ("EngineWait", seconds).
    int EngineWaitMs() const;

    // The phrases, one per typed line, untrimmed, blank lines kept as empty phrases.
    QStringList Phrases() const;
    QString PhraseText() const;

public Q_SLOTS:
    // Closes the dialog unless the phrase box holds nothing but blanks.
    void btnOkClick();
    void btnAllClick();
    void btnEAllClick();
    // Toggles the mark of the selected row.
    void levEngineDblClick();
    // Proposes the first phrase as file name while none is given.
    void mmPhraseExit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void markAll(int index);
    void attachEngineWait(TznIniSetting *ini);

    std::unique_ptr<Ui::TfrmEngineOption> ui_;
    QList<FileEngine> fileEngines_;
    QPointer<TznIniSetting> iniMain_;
};

// Made once at start, after the About box; null until then.
extern TfrmEngineOption *frmEngineOption;
