#pragma once
// The small window that shows the start-up log while Trimlet starts.

#include <QPlainTextEdit>
#include <QWidget>

namespace trimlet {

class StartupWindow : public QWidget {
    Q_OBJECT
public:
    StartupWindow();
    void AddLine(const QString& line);
    QString Text() const { return text_->toPlainText(); }

private:
    QPlainTextEdit* text_;
};

} // namespace trimlet
