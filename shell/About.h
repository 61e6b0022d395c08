#pragma once
// The About box: the program's picture, name, version and the maker's notices and addresses.
// One box is made at start and reused; it comes back where the user last left it.

#include <QDialog>

#include <memory>

class QEvent;
class QHideEvent;

namespace Ui {
class TAboutBox;
}

class TAboutBox final : public QDialog
{
    Q_OBJECT

public:
    // Opens centred on `owner`'s window the first time it is shown.
    explicit TAboutBox(QWidget *owner = nullptr);
    ~TAboutBox() override;

public Q_SLOTS:
    // The website label was clicked: the maker's website opens in the default browser.
    void Label2Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::unique_ptr<Ui::TAboutBox> ui_;
};
