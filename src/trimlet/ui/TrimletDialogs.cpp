#include "TrimletDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace trimlet {

void QtTrimletDialogs::Message(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<QString> QtTrimletDialogs::OpenFceFile()
{
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), "Open NFSIV FCE file", QString(),
                                                      "NFSIV FCE File (*.fce *.FCE);;All files (*)");
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace trimlet
