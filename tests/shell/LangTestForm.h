#pragma once
// A form shaped like the program's for the translation tests: menus and actions with Chinese
// hints, a navigation tree with a child node, two panels holding controls of the same names, a
// panel inside a panel, list views, a radio group, a search-engine list whose rows are data, and
// controls with blank texts. `fillerPerPart` adds that many buttons to the form and to each of
// the two panels, to give a walk the size of the main window's.

#include <QMainWindow>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;
class TRadioGroup;
class TdfsEnhListView;

class TfrmLangTest final : public QMainWindow
{
public:
    explicit TfrmLangTest(int fillerPerPart = 0);

    QAction *actQuit, *actLc, *actLt, *actLe, *actAbout;
    QMenu *menuControl, *menuLanguage, *menuHelp;
    QTreeWidget *trvNavigation;
    TdfsEnhListView *levEngine;
    QWidget *fraOne, *fraTwo, *fraInner;
    // fraOne
    TdfsEnhListView *levMailOne;
    QGroupBox *groupBox1;
    QPushButton *btnStartOne;
    QRadioButton *rdoAll;
    QCheckBox *chkJapan;
    // fraTwo
    TdfsEnhListView *levMailTwo;
    QPushButton *btnStartTwo;
    TRadioGroup *rdoType;
    QLabel *label5, *labBlank, *labInner;
    QLineEdit *edtFile;
};
