#include "commands/FileWatch.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>

namespace mobrix::app {

FileWatch::FileWatch(Document& doc, DialogService& dialogs, QWidget& window, std::function<bool()> reload,
                     QObject* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), window_(window), reload_(std::move(reload))
{
    connect(&doc_, &Document::modelReplaced, this, &FileWatch::Remember);
    connect(&doc_, &Document::saved, this, &FileWatch::Remember);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileWatch::OnWatchedChange);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileWatch::OnWatchedChange);
    window_.installEventFilter(this);
}

FileWatch::Identity FileWatch::IdentityOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

void FileWatch::Remember()
{
    const DocumentState& state = doc_.State();
    // Only a model with a file of its own is watched: not a new one, nor
    // one converted from another format.
    const bool ownFile = state.SaveVariant.has_value() && !doc_.Model().FileName.empty();
    path_ = ownFile ? doc_.Model().FileName : std::string();
    known_ = ownFile ? IdentityOf(path_) : Identity{};
    Watch();
}

void FileWatch::Watch()
{
    const QStringList before = watcher_.files() + watcher_.directories();
    if (!before.isEmpty())
        watcher_.removePaths(before);
    if (path_.empty())
        return;
    const QFileInfo file(QString::fromStdString(path_));
    // The folder too: it tells when a file renamed over ours, or removed and
    // made again, arrives.
    watcher_.addPath(file.absolutePath());
    if (file.exists())
        watcher_.addPath(file.absoluteFilePath());
}

void FileWatch::OnWatchedChange()
{
    if (path_.empty())
        return;
    const QString file = QFileInfo(QString::fromStdString(path_)).absoluteFilePath();
    if (!watcher_.files().contains(file) && QFileInfo::exists(file))
        watcher_.addPath(file);
    // Told at once while the user looks at the window, otherwise when it is
    // active again; queued, so that no box opens inside the watcher's signal.
    if (window_.isActiveWindow())
        QTimer::singleShot(0, this, &FileWatch::Check);
}

bool FileWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &window_ && event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &FileWatch::Check);
    return QObject::eventFilter(watched, event);
}

QString FileWatch::FileWords() const
{
    const QString name = QFileInfo(QString::fromStdString(path_)).fileName();
    return doc_.State().ArchiveEntry.empty() ? "The file " + name : "The car archive " + name;
}

void FileWatch::Check()
{
    if (path_.empty() || telling_ || QApplication::activeModalWidget() != nullptr)
        return;
    const Identity now = IdentityOf(path_);
    if (now == known_)
        return;
    // Each change is told once, whatever the answer.
    known_ = now;
    telling_ = true;
    if (now.exists)
        TellChanged();
    else
        TellRemoved();
    telling_ = false;
}

void FileWatch::TellChanged()
{
    const bool unsaved = !doc_.History().isClean();
    const QString said = FileWords() + " was changed by another program.\r";
    const bool reload =
        unsaved ? dialogs_.AskYesNo(kFileChangedTitle, said + "Reload it and lose the changes you have not saved?",
                                    MessageIcon::Exclamation, MessageAnswer::No)
                : dialogs_.AskYesNo(kFileChangedTitle, said + "Reload it?", MessageIcon::Question, MessageAnswer::Yes);
    if (reload && reload_())
        return;
    // The model kept (refused, or a reload the reader refused) is no longer
    // what the file holds: the title says it is modified.
    doc_.History().resetClean();
}

void FileWatch::TellRemoved()
{
    dialogs_.Warning(kFileRemovedTitle, FileWords() +
                                            " was deleted or moved by another program.\rThe model stays open; save "
                                            "it to keep it.");
    doc_.History().resetClean();
}

} // namespace mobrix::app
