#pragma once
// A dialog service for tests: answers each box from a script and records
// every box it was shown. Answers are taken in order per kind (message
// boxes, input boxes, file dialogs, lists, windows). A box the script did
// not expect fails the test and is answered with No, an empty text, a
// cancelled dialog or a closed window, unless the test chose to answer any
// box (AnswerAnyBox).
//
// A window (RunWindow) is shown, modal, and handed live to the test's work,
// which may type, click, accept or reject it, or run its real loop with
// exec(). Work that leaves the window open fails the test.

#include "dialogs/DialogService.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <variant>
#include <vector>

namespace testing_support {

struct ShownBox {
    enum class Kind { Message, Input, File, Choice, Window, Buttons } kind = Kind::Message;
    mobrix::app::MessageRequest message;
    mobrix::app::CheckBoxRequest checkBox; // a question's check box (text empty: none)
    mobrix::app::ChoiceRequest choice;
    mobrix::app::InputRequest input;
    mobrix::app::FileDialogRequest file;
    QString window; // the window's object name
    bool busyPointer = false; // the hourglass was still up while the box showed
};

class ScriptedDialogs : public mobrix::app::DialogService {
public:
    // The item picked from a list (-1: cancelled).
    struct Pick {
        int index = -1;
    };
    using WindowWork = std::function<void(QDialog&)>;
    using Answer = std::variant<mobrix::app::MessageAnswer, QString, mobrix::app::FileDialogResult, Pick,
                                mobrix::app::QuestionAnswer, WindowWork>;

    void Answer_(Answer a) { script_.push_back(std::move(a)); }
    void Yes() { Answer_(mobrix::app::MessageAnswer::Yes); }
    void No() { Answer_(mobrix::app::MessageAnswer::No); }
    void Ok() { Answer_(mobrix::app::MessageAnswer::Ok); }
    // For a question with a check box: the button and the box's state.
    void AnswerChecking(mobrix::app::MessageAnswer a, bool checked)
    {
        Answer_(mobrix::app::QuestionAnswer{a, checked});
    }
    void Type(const QString& text) { Answer_(text); }
    void Choose(const QString& path, int filterIndex) { Answer_(mobrix::app::FileDialogResult{false, path, filterIndex}); }
    void Cancel() { Answer_(mobrix::app::FileDialogResult{}); }
    void PickItem(int index) { Answer_(Pick{index}); }
    void Work(WindowWork work) { Answer_(std::move(work)); }
    // The button of a question with buttons of its own (-1: closed).
    void Press(int index) { Answer_(Pick{index}); }

    // For tests that raise boxes at random: a box the script does not cover
    // is answered by these instead of failing the test; file dialogs are
    // cancelled, and a window without `window` is closed.
    struct AnyBoxAnswers {
        std::function<mobrix::app::MessageAnswer(const mobrix::app::MessageRequest&)> message;
        std::function<QString(const mobrix::app::InputRequest&)> input;
        WindowWork window;
    };
    void AnswerAnyBox(AnyBoxAnswers answers) { any_ = std::move(answers); }

    const std::vector<ShownBox>& Shown() const { return shown_; }
    const ShownBox& Last() const { return shown_.back(); }
    bool ScriptDone() const { return script_.empty(); }
    void Forget() { shown_.clear(); }

    mobrix::app::MessageAnswer Message(const mobrix::app::MessageRequest& request) override
    {
        ShownBox box;
        box.kind = ShownBox::Kind::Message;
        box.message = request;
        box.busyPointer = QApplication::overrideCursor() != nullptr;
        shown_.push_back(box);
        if (auto* a = Next<mobrix::app::MessageAnswer>("message box \"" + request.text.toStdString() + "\""))
            return *a;
        return any_.message ? any_.message(request) : mobrix::app::MessageAnswer::No;
    }
    mobrix::app::QuestionAnswer Ask(const mobrix::app::MessageRequest& request,
                                    const mobrix::app::CheckBoxRequest& checkBox) override
    {
        ShownBox box;
        box.kind = ShownBox::Kind::Message;
        box.message = request;
        box.checkBox = checkBox;
        box.busyPointer = QApplication::overrideCursor() != nullptr;
        shown_.push_back(box);
        if (auto* a = Next<mobrix::app::QuestionAnswer>("question \"" + request.text.toStdString() + "\""))
            return *a;
        return {any_.message ? any_.message(request) : mobrix::app::MessageAnswer::No, checkBox.checked};
    }
    QString Input(const mobrix::app::InputRequest& request) override
    {
        ShownBox box;
        box.kind = ShownBox::Kind::Input;
        box.input = request;
        shown_.push_back(box);
        if (auto* a = Next<QString>("input box \"" + request.prompt.toStdString() + "\""))
            return *a;
        return any_.input ? any_.input(request) : QString();
    }
    mobrix::app::FileDialogResult File(const mobrix::app::FileDialogRequest& request) override
    {
        ShownBox box;
        box.kind = ShownBox::Kind::File;
        box.file = request;
        shown_.push_back(box);
        if (auto* a = Next<mobrix::app::FileDialogResult>("file dialog"))
            return *a;
        return {};
    }

    int PickFromList(const mobrix::app::ChoiceRequest& request) override
    {
        return Picked(ShownBox::Kind::Choice, request, "list");
    }

    int RunWindow(QDialog& dialog) override
    {
        ShownBox box;
        box.kind = ShownBox::Kind::Window;
        box.window = dialog.objectName();
        shown_.push_back(box);
        // A copy: the work may open windows of its own, which take the next
        // answers.
        WindowWork work;
        if (auto* a = Next<WindowWork>("window \"" + box.window.toStdString() + "\""))
            work = *a;
        else
            work = any_.window;
        const QPointer<QDialog> alive(&dialog);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        if (work)
            work(dialog);
        if (!alive)
            return QDialog::Rejected;
        if (dialog.isVisible()) {
            if (work)
                ADD_FAILURE() << "the work left window \"" << box.window.toStdString() << "\" open";
            dialog.reject();
        }
        return dialog.result();
    }

    int PickButton(const mobrix::app::ChoiceRequest& request) override
    {
        return Picked(ShownBox::Kind::Buttons, request, "question");
    }

private:
    // A list or a question with buttons of its own: the index of the item
    // the script picked, -1 when it closes the box.
    int Picked(ShownBox::Kind kind, const mobrix::app::ChoiceRequest& request, const char* what)
    {
        ShownBox box;
        box.kind = kind;
        box.choice = request;
        shown_.push_back(box);
        if (auto* a = Next<Pick>(std::string(what) + " \"" + request.prompt.toStdString() + "\""))
            return a->index;
        return -1;
    }

    template <class T>
    const T* Next(const std::string& what)
    {
        const auto it = std::find_if(script_.begin(), script_.end(),
                                     [](const Answer& a) { return std::holds_alternative<T>(a); });
        if (it == script_.end()) {
            if (Permissive())
                return nullptr;
            ADD_FAILURE() << "unexpected " << what;
            return nullptr;
        }
        last_ = *it;
        script_.erase(it);
        return &std::get<T>(last_);
    }

    bool Permissive() const { return any_.message || any_.input || any_.window; }

    std::deque<Answer> script_;
    AnyBoxAnswers any_;
    Answer last_;
    std::vector<ShownBox> shown_;
};

} // namespace testing_support
