#include "shell/About.h"

#include "platform/ShellOpen.h"
#include "shell/WebAddresses.h"
#include "ui_About.h"

#include "TrawlexVersion.h"

#include <QEvent>
#include <QHideEvent>
#include <QMouseEvent>

// The picture lives in a static library, whose resource data the linker keeps only when asked for.
// Outside any namespace: the macro declares the data's loader where it stands.
static void loadPictures()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    (void)loaded;
}

TAboutBox::TAboutBox(QWidget *owner)
    : QDialog(owner)
    , ui_(std::make_unique<Ui::TAboutBox>())
{
    loadPictures();
    ui_->setupUi(this);
    // The form's own number would drift from the build's; the language files keep this text as
    // designed ("%"), so the build's stays.
    ui_->Version->setText(QStringLiteral("Version:" TRAWLEX_VERSION));
    // A fixed dialog border: a title and a close button, nothing to minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    ui_->Label2->installEventFilter(this);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::Label2Click()
{
    ShellOpen::open(WebAddresses::website);
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    // A label has no click of its own. The release reaches the label only when the press did, and
    // it counts only over the label, so a user who drags away can still change their mind.
    if (watched == ui_->Label2 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ui_->Label2->rect().contains(mouse->position().toPoint()))
            Label2Click();
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::hideEvent(QHideEvent *event)
{
    // A dialog that was never placed by the program is centred again on every showing, even after
    // the user moved it; once closed, the box counts as placed where it is.
    setAttribute(Qt::WA_Moved);
    QDialog::hideEvent(event);
}
