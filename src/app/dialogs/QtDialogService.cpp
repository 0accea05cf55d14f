#include "dialogs/QtDialogService.h"

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace mobrix::app {

namespace {

QMessageBox::Icon ToolkitIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString ToolkitFilter(const QString& entry)
{
    const qsizetype bar = entry.indexOf('|');
    const QString description = bar < 0 ? entry : entry.left(bar);
    const QString pattern = bar < 0 ? entry : entry.mid(bar + 1);
    QStringList patterns;
    for (const QString& p : pattern.split(';', Qt::SkipEmptyParts)) {
        for (const QString& variant : {p, p.toUpper(), p.toLower()}) {
            if (!patterns.contains(variant))
                patterns << variant;
        }
    }
    return description + " (" + patterns.join(' ') + ")";
}

namespace {

// The box, with a check box under the text when `checkBox` names one.
QuestionAnswer ShowMessageBox(QWidget* parent, const MessageRequest& request, const CheckBoxRequest* checkBox)
{
    QString text = request.text;
    text.replace("\r\n", "\n").replace('\r', '\n');
    QMessageBox box(ToolkitIcon(request.icon), request.title, text, QMessageBox::NoButton, parent);
    QCheckBox* check = nullptr;
    if (checkBox) {
        check = new QCheckBox(checkBox->text, &box); // the box owns it
        check->setChecked(checkBox->checked);
        box.setCheckBox(check);
    }
    MessageAnswer answer = MessageAnswer::Ok;
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultButton == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        answer = box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }
    return {answer, check && check->isChecked()};
}

} // namespace

MessageAnswer QtDialogService::Message(const MessageRequest& request)
{
    return ShowMessageBox(parent_, request, nullptr).answer;
}

QuestionAnswer QtDialogService::Ask(const MessageRequest& request, const CheckBoxRequest& checkBox)
{
    return ShowMessageBox(parent_, request, &checkBox);
}

QString QtDialogService::Input(const InputRequest& request)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, request.title, request.prompt, QLineEdit::Normal, request.defaultText, &ok);
    return ok ? text : QString();
}

int QtDialogService::PickFromList(const ChoiceRequest& request)
{
    bool ok = false;
    const QString picked = QInputDialog::getItem(parent_, request.title, request.prompt, request.items, 0, false, &ok);
    return ok ? static_cast<int>(request.items.indexOf(picked)) : -1;
}

int QtDialogService::PickButton(const ChoiceRequest& request)
{
    QString text = request.prompt;
    text.replace("\r\n", "\n").replace('\r', '\n');
    QMessageBox box(QMessageBox::Question, request.title, text, QMessageBox::NoButton, parent_);
    std::vector<QAbstractButton*> buttons;
    for (const QString& item : request.items)
        buttons.push_back(box.addButton(item, QMessageBox::AcceptRole));
    if (!buttons.empty())
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    box.exec();
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return pressed == buttons.end() ? -1 : static_cast<int>(pressed - buttons.begin());
}

FileDialogResult QtDialogService::File(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(request.mode == FileDialogMode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.mode == FileDialogMode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const QString& entry : request.filters)
        filters << ToolkitFilter(entry);
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 1 && request.selectedFilter <= filters.size())
        dialog.selectNameFilter(filters[request.selectedFilter - 1]);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    // A name made of wildcards is the filter itself, not a file to offer.
    if (!request.initialName.isEmpty() && !request.initialName.contains('*'))
        dialog.selectFile(request.initialName);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.cancelled = false;
    result.path = dialog.selectedFiles().front();
    result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1)
        result.filterIndex = 1;
    return result;
}

int QtDialogService::RunWindow(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace mobrix::app
