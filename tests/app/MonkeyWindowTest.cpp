// The real window under random events from a fixed seed: keys of the key
// table, clicks, drags and rubber bands in the views, clicks in the lists,
// menu commands with undo and redo, the editors' buttons and fields, and
// the modal windows they open (the section editor, colours, rescale, copy
// part), worked at random until they close. The model must stay sound after
// every event, and undoing every step of a batch must give back the model
// and the sections as they were opened.
//
// MOBRIX_MONKEY_EVENTS sets the number of events (2,000 by default),
// MOBRIX_MONKEY_SEED the seed, and MOBRIX_MONKEY_WATCHDOG the seconds an
// event may take (60 by default) before the run fails with the recent
// events instead of hanging.

#include "AppFixture.h"
#include "VertexEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QWheelEvent>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

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

// The last events, readable from the watchdog's thread.
class EventLog {
public:
    void Add(std::string text)
    {
        const std::lock_guard lock(mutex_);
        lines_.push_back(std::move(text));
        if (lines_.size() > 16)
            lines_.pop_front();
    }
    std::string Text() const
    {
        const std::lock_guard lock(mutex_);
        std::ostringstream out;
        for (const std::string& l : lines_)
            out << "\n  " << l;
        return out.str();
    }

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

// Ends the process, after writing the last events to stderr, when no Beat
// came for `limit`: a modal loop that nothing closes would otherwise hang
// the run for ever, with nothing to say where.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, const EventLog& log)
        : limit_(limit), log_(log), last_(Clock::now()), thread_([this] { Watch(); })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void Beat()
    {
        const std::lock_guard lock(mutex_);
        last_ = Clock::now();
    }

private:
    using Clock = std::chrono::steady_clock;

    void Watch()
    {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (wake_.wait_until(lock, last_ + limit_, [this] { return stop_; }))
                return;
            if (Clock::now() - last_ >= limit_)
                Bite();
        }
    }
    [[noreturn]] void Bite() const
    {
        const auto seconds = std::chrono::duration<double>(limit_).count();
        std::fprintf(stderr, "no event finished in %.1f s; the last events:%s\n", seconds, log_.Text().c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }

    const std::chrono::milliseconds limit_;
    const EventLog& log_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    Clock::time_point last_;
    std::thread thread_; // last, so that it starts with every member set
};

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
            .window = [this](QDialog& window) { WorkWindow(window); },
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

    void Log(std::string text) { log.Add(std::move(text)); }
    std::string Recent() const { return log.Text(); }

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
            "mnuAspect", "mnuEWin", "mnuTWin",  "mnuIPart", "mnuEPart", "mnuExObj", "mnuCols",
            "mnuRescale", "mnuCPart",
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

    // -- a modal window, until it closes -------------------------------------

    template <class W>
    static std::vector<W*> UsableIn(const QDialog& window)
    {
        std::vector<W*> found;
        for (W* w : window.findChildren<W*>())
            if (w->isVisible() && w->isEnabled())
                found.push_back(w);
        return found;
    }
    static std::string NameOf(const QObject* o) { return o->objectName().toStdString(); }

    // One thing a user does in a window: a click on a button or a row, a
    // typed field, a moved bar, or a drag in its picture.
    void ActInWindow(QDialog& window)
    {
        switch (Pick(5)) {
        case 0:
            if (const auto buttons = UsableIn<QAbstractButton>(window); !buttons.empty()) {
                QAbstractButton* b = PickOf(buttons);
                Log("  window button " + NameOf(b) + " \"" + b->text().toStdString() + "\"");
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
            }
            break;
        case 1:
            if (const auto lists = UsableIn<QListWidget>(window); !lists.empty()) {
                QListWidget* list = PickOf(lists);
                if (list->count() == 0)
                    break;
                const int row = Pick(list->count());
                Log("  window list " + NameOf(list) + " row " + std::to_string(row));
                list->scrollToItem(list->item(row));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            }
            break;
        case 2:
            if (const auto fields = UsableIn<QLineEdit>(window); !fields.empty()) {
                QLineEdit* field = PickOf(fields);
                const char* text = Pick(2) ? PickOf(kNumbers) : PickOf(kTexts);
                Log("  window field " + NameOf(field) + " \"" + text + "\"");
                field->selectAll();
                QTest::keyClick(field, Qt::Key_Backspace);
                QTest::keyClicks(field, text);
            }
            break;
        case 3:
            if (const auto bars = UsableIn<QScrollBar>(window); !bars.empty()) {
                QScrollBar* bar = PickOf(bars);
                const int value = bar->minimum() + Pick(bar->maximum() - bar->minimum() + 1);
                Log("  window bar " + NameOf(bar) + " to " + std::to_string(value));
                bar->setValue(value);
            }
            break;
        default:
            if (auto* picture = window.findChild<QWidget*>("RemapView"); picture && picture->isVisible()) {
                QPoint at = PointIn(picture);
                Log("  window drag in " + NameOf(picture));
                Mouse(picture, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at, {});
                at += QPoint(Pick(81) - 40, Pick(81) - 40);
                Mouse(picture, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at, {});
                Mouse(picture, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at, {});
            }
            break;
        }
    }

    // A few random acts, then the window is closed as a user may: accepted,
    // rejected or by its close button, unless an act already closed it.
    void WorkWindow(QDialog& window)
    {
        const QPointer<QDialog> alive(&window);
        Log("window " + NameOf(&window));
        ++windowsWorked;
        const int acts = Pick(8);
        for (int i = 0; i < acts && alive && window.isVisible(); ++i)
            ActInWindow(window);
        if (!alive || !window.isVisible())
            return;
        switch (Pick(3)) {
        case 0: Log("  window accepted"); window.accept(); break;
        case 1: Log("  window rejected"); window.reject(); break;
        default: Log("  window closed"); window.close(); break;
        }
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
    void UndoAll(const CarModel& opened, const RemapSections& sections)
    {
        QAction* undo = Action("mnuUndo");
        for (int guard = 0; undo->isEnabled() && guard < 200; ++guard) {
            undo->trigger();
            ++stepsUndone;
        }
        ASSERT_FALSE(undo->isEnabled()) << "more steps than events";
        ASSERT_TRUE(Stored(form->Model()) == Stored(opened))
            << "undo all leaves" << Differences(Stored(form->Model()), Stored(opened)) << "; last events:" << Recent();
        ASSERT_TRUE(form->Doc().Sections() == sections) << "undo all leaves other sections; last events:" << Recent();
        ASSERT_FALSE(form->isWindowModified());
        dialogs.Forget();
    }

    static constexpr const char* kTexts[] = {"", "Monkey", ":LIGHT", "1.5", "-2", "x",
                                             "A name longer than sixty-four characters, cut where it must be."};
    static constexpr const char* kNumbers[] = {"0", "1.5", "-0.25", "3", "1e30", "-1e30", "abc", "", "7", "0.001"};

    std::mt19937 rng{static_cast<std::mt19937::result_type>(EnvNumber("MOBRIX_MONKEY_SEED", 20261208))};
    EventLog log;
    long stepsUndone = 0;
    long windowsWorked = 0;
};

TEST_F(MonkeyWindow, RandomEventsKeepTheModelSoundAndUndoGivesBackTheModelOpened)
{
    OpenSample();
    const CarModel opened = form->Model();
    const RemapSections sections = form->Doc().Sections();
    const long events = EnvNumber("MOBRIX_MONKEY_EVENTS", 2000);
    Watchdog watchdog(std::chrono::seconds(EnvNumber("MOBRIX_MONKEY_WATCHDOG", 60)), log);
    for (long n = 0; n < events; ++n) {
        OneEvent();
        watchdog.Beat();
        const std::vector<std::string> problems = CheckModel(form->Model());
        ASSERT_TRUE(problems.empty()) << "event " << n << ": " << problems.front() << Recent();
        if ((n + 1) % kBatch == 0 || n + 1 == events) {
            UndoAll(opened, sections);
            watchdog.Beat();
            if (HasFatalFailure())
                return;
        }
    }
    std::printf("%ld events, %ld steps undone, %ld windows worked\n", events, stepsUndone, windowsWorked);
    EXPECT_GT(stepsUndone, events / 20) << "the events hardly edit the model";
    EXPECT_GT(windowsWorked, events / 200) << "the events hardly reach the windows";
}

// A run that stops making progress ends, and says what it was doing.
TEST(MonkeyWatchdog, EndsAStalledRunWithTheLastEvents)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EventLog log;
            log.Add("the event that never finishes");
            Watchdog watchdog(std::chrono::milliseconds(100), log);
            std::this_thread::sleep_for(std::chrono::seconds(30));
        },
        ::testing::ExitedWithCode(1), "no event finished in 0.1 s; the last events:\n  the event that never finishes");
}

} // namespace
