#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include "platform/ProgramFolder.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));

    // Until the main window exists, a plain window shows that the program starts.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Norvane Trawlex"));
    auto *label = new QLabel(QStringLiteral("Program folder: %1").arg(ProgramFolder::path()), &window);
    label->setMargin(12);
    window.setCentralWidget(label);
    window.resize(666, 487);
    window.show();
    return QApplication::exec();
}
