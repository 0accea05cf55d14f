// The real window under random events from a fixed seed: keys of the key
// table, clicks, drags and rubber bands in the views, clicks in the lists,
// menu commands with undo and redo, and the editors' buttons and fields.
// The model must stay sound after every event, and undoing every step of a
// batch must give back the model as it was opened.
//
// MOBRIX_MONKEY_EVENTS sets the number of events (2,000 by default) and
// MOBRIX_MONKEY_SEED the seed.

#include "AppFixture.h"
#include "VertexEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <QWheelEvent>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <sstream>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

// Fewer steps than the history keeps, so that undo can reach the start.
constexpr int kBatch = 120;

long EnvNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

// The content with the working arrays stored back into their vertex set:
// which set the user looks at is the user's place, like the marks.
CarModel Stored(const CarModel& m)
{
    CarModel c = Content(m);
    SwitchVertexSet(c, VertexSet::Normal);
    return c;
}

// The tables in which two models differ, for the failure message.
std::string Differences(const CarModel& a, const CarModel& b)
{
    std::string d;
    auto check = [&](bool same, const char* what) {
        if (!same)
            d += std::string(" ") + what;
    };
    check(a.Header == b.Header, "header");
    check(a.Vertices == b.Vertices, "vertices");
    check(a.Normals == b.Normals, "normals");
    check(a.Triangles == b.Triangles, "triangles");
    check(a.NormalVerts == b.NormalVerts && a.Undamaged2Verts == b.Undamaged2Verts && a.DamagedVerts == b.DamagedVerts,
          "vertex sets");
    check(a.Fce4Header == b.Fce4Header, "NFSIV header");
    return d.empty() ? " other fields" : d;
}

class MonkeyWindow : public AppTest {
protected:
    void OpenSample()
    {
        dialogs.AnswerAnyBox({
            .message = [this](const MessageRequest&) { return Pick(2) ? MessageAnswer::Yes : MessageAnswer::No; },
            .input = [this](const InputRequest&) { return PickOf(kTexts); },
        });
        Start();
        Open(nfs4Path, kOpenNfs4);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    template <class C>
    auto PickOf(const C& c) -> decltype(*std::begin(c))
    {
        return *(std::begin(c) + Pick(static_cast<int>(std::size(c))));
    }
    QPoint PointIn(const QWidget* w) { return {Pick(std::max(1, w->width())), Pick(std::max(1, w->height()))}; }
    Qt::KeyboardModifiers Modifiers()
    {
        static const Qt::KeyboardModifiers choice[] = {{}, {}, Qt::ShiftModifier, Qt::ControlModifier,
                                                       Qt::AltModifier};
        return PickOf(choice);
    }

    template <class W>
    std::vector<W*> Usable(const QString& pattern = {}) const
    {
        const QRegularExpression name(pattern);
        std::vector<W*> found;
        for (W* w : form->findChildren<W*>())
            if (w->isVisible() && w->isEnabled() && name.match(w->objectName()).hasMatch())
                found.push_back(w);
        return found;
    }
    QWidget* SomeView()
    {
        std::vector<QWidget*> views;
        for (int v = 0; v < views::kViewCount; ++v)
            if (auto* w = form->findChild<QWidget*>(QString("View%1").arg(v)); w && w->isVisible())
                views.push_back(w);
        return views.empty() ? nullptr : PickOf(views);
    }

    void Log(std::string text)
    {
        log.push_back(std::move(text));
        if (log.size() > 12)
            log.pop_front();
    }
    std::string Recent() const
    {
        std::ostringstream out;
        for (const std::string& l : log)
            out << "\n  " << l;
        return out.str();
    }

    // -- the events ---------------------------------------------------------

    void PressKey()
    {
        static const Qt::Key keys[] = {
            Qt::Key_R,    Qt::Key_N,      Qt::Key_D,     Qt::Key_S,     Qt::Key_0,    Qt::Key_1,
            Qt::Key_2,    Qt::Key_3,      Qt::Key_4,     Qt::Key_5,     Qt::Key_6,    Qt::Key_Left,
            Qt::Key_Right, Qt::Key_Up,    Qt::Key_Down,  Qt::Key_Left,  Qt::Key_Up,   Qt::Key_PageUp,
            Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Plus,  Qt::Key_Minus, Qt::Key_X,
        };
        QWidget* view = SomeView();
        if (!view)
            return;
        const Qt::Key key = PickOf(keys);
        // Ctrl with a letter is a menu shortcut (Save, Open): keep to the table.
        Qt::KeyboardModifiers mods = Pick(3) == 0 ? Qt::ShiftModifier : Qt::KeyboardModifiers{};
        if (key == Qt::Key_Plus || key == Qt::Key_Minus)
            mods |= Qt::KeypadModifier;
        Log("key " + QKeySequence(key).toString().toStdString() + " mods " + std::to_string(int(mods)) + " in " +
            view->objectName().toStdString());
        QTest::keyClick(view, key, mods);
    }

    void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at,
               Qt::KeyboardModifiers mods)
    {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
        QApplication::sendEvent(w, &e);
    }

    // A click, or a press, a few moves and a release: a drag of the marked
    // vertices or a rubber band, by what lies under the press.
    void UseView()
    {
        QWidget* view = SomeView();
        if (!view)
            return;
        static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton,
                                                  Qt::MiddleButton};
        const Qt::MouseButton button = PickOf(buttons);
        const Qt::KeyboardModifiers mods = Modifiers();
        const int moves = Pick(2) ? 0 : 1 + Pick(5);
        QPoint at = PointIn(view);
        Log("mouse " + std::to_string(int(button)) + " mods " + std::to_string(int(mods)) + " in " +
            view->objectName().toStdString() + " moves " + std::to_string(moves));
        Mouse(view, QEvent::MouseButtonPress, button, button, at, mods);
        for (int i = 0; i < moves; ++i) {
            at = Pick(3) ? at + QPoint(Pick(41) - 20, Pick(41) - 20) : PointIn(view);
            Mouse(view, QEvent::MouseMove, Qt::NoButton, button, at, mods);
        }
        Mouse(view, QEvent::MouseButtonRelease, button, Qt::NoButton, at, mods);
        if (Pick(8) == 0) {
            const QPoint delta(0, Pick(2) ? 120 : -120);
            QWheelEvent wheel(QPointF(at), view->mapToGlobal(QPointF(at)), {}, delta, Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
        }
    }

    // A click on some row of a shown list (parts, dummies, vertices,
    // triangles, smoothing groups, the list of selected vertices).
    void ClickList()
    {
        const auto lists = Usable<QAbstractItemView>("List");
        if (lists.empty())
            return;
        QAbstractItemView* list = PickOf(lists);
        const int rows = list->model()->rowCount();
        if (rows == 0)
            return;
        const QModelIndex index = list->model()->index(Pick(rows), 0);
        list->scrollTo(index);
        const Qt::KeyboardModifiers mods = Modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
        Log("list " + list->objectName().toStdString() + " row " + std::to_string(index.row()) + " mods " +
            std::to_string(int(mods)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualRect(index).center());
    }

    void Menu()
    {
        static const char* const items[] = {
            "mnuUndo", "mnuUndo", "mnuUndo", "mnuRedo", "mnuRedo", "mnuPEdit",   "mnuVEdit",
            "mnuDEdit", "mnuUVEdit", "mnuPolys", "mnuVerts", "mnuNorms",   "mnuRes2",  "mnuDummies",
            "mnuAspect", "mnuEWin", "mnuTWin",  "mnuIPart", "mnuEPart", "mnuExObj",
        };
        const char* item = PickOf(items);
        QAction* a = Action(item);
        Log(std::string("menu ") + item + (a->isEnabled() ? "" : " (disabled)"));
        if (a->isEnabled())
            a->trigger();
    }

    // A button or check box of the editors, the part and dummy lists or the
    // tool bar, sometimes after typing into an editor's field.
    void Button()
    {
        if (Pick(3) == 0) {
            const auto fields = Usable<QLineEdit>();
            if (!fields.empty()) {
                QLineEdit* field = PickOf(fields);
                Log("type into " + field->objectName().toStdString());
                field->clear();
                QTest::keyClicks(field, PickOf(kNumbers));
            }
        }
        // Half the time one of the buttons that edit.
        static const QString editing = "^(cmdApply|cmdTriApply|Command[1-4]|(Add|Remove|Name)(Part|Dummy)|VertSel|sGroup)$";
        const auto buttons = Usable<QAbstractButton>(Pick(2) ? editing : QString());
        if (buttons.empty())
            return;
        QAbstractButton* b = PickOf(buttons);
        Log("button " + b->objectName().toStdString() + " \"" + b->text().toStdString() + "\"");
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
    }

    void OneEvent()
    {
        switch (Pick(10)) {
        case 0: case 1: case 2: PressKey(); break;
        case 3: case 4: case 5: UseView(); break;
        case 6: ClickList(); break;
        case 7: Menu(); break;
        default: Button(); break;
        }
        QApplication::processEvents();
    }

    // Undoes the batch's steps and compares with the model as opened.
    void UndoAll(const CarModel& opened)
    {
        QAction* undo = Action("mnuUndo");
        for (int guard = 0; undo->isEnabled() && guard < 200; ++guard) {
            undo->trigger();
            ++stepsUndone;
        }
        ASSERT_FALSE(undo->isEnabled()) << "more steps than events";
        ASSERT_TRUE(Stored(form->Model()) == Stored(opened))
            << "undo all leaves" << Differences(Stored(form->Model()), Stored(opened)) << "; last events:" << Recent();
        ASSERT_FALSE(form->isWindowModified());
        dialogs.Forget();
    }

    static constexpr const char* kTexts[] = {"", "Monkey", ":LIGHT", "1.5", "-2", "x",
                                             "A name longer than sixty-four characters, cut where it must be."};
    static constexpr const char* kNumbers[] = {"0", "1.5", "-0.25", "3", "1e30", "-1e30", "abc", "", "7", "0.001"};

    std::mt19937 rng{static_cast<std::mt19937::result_type>(EnvNumber("MOBRIX_MONKEY_SEED", 20261208))};
    std::deque<std::string> log;
    long stepsUndone = 0;
};

TEST_F(MonkeyWindow, RandomEventsKeepTheModelSoundAndUndoGivesBackTheModelOpened)
{
    OpenSample();
    const CarModel opened = form->Model();
    const long events = EnvNumber("MOBRIX_MONKEY_EVENTS", 2000);
    for (long n = 0; n < events; ++n) {
        OneEvent();
        const std::vector<std::string> problems = CheckModel(form->Model());
        ASSERT_TRUE(problems.empty()) << "event " << n << ": " << problems.front() << Recent();
        if ((n + 1) % kBatch == 0 || n + 1 == events) {
            UndoAll(opened);
            if (HasFatalFailure())
                return;
        }
    }
    std::printf("%ld events, %ld steps undone\n", events, stepsUndone);
    EXPECT_GT(stepsUndone, events / 20) << "the events hardly edit the model";
}

} // namespace
