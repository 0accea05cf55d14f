#include "StartupWindow.h"

#include <QFontDatabase>
#include <QVBoxLayout>

namespace trimlet {

StartupWindow::StartupWindow()
{
    setObjectName("frmStartup");
    setWindowTitle("Trimlet");
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("StartupText");
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    resize(480, 300);
}

void StartupWindow::AddLine(const QString& line)
{
    text_->appendPlainText(line);
}

} // namespace trimlet
