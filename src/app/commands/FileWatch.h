#pragma once
// Notices when another program changes or removes the file the document was
// read from or last saved to (a loose FCE file or the car archive holding
// the model), and says so the next time the window is active: a changed
// file is offered for reloading, asking first when there are unsaved
// changes; a removed one is reported and the model stays open, modified.
//
// The file's identity (device, inode, size, modification time) is taken
// after every open and every save of the program's own, so its own saves
// never look like an outside change. A file system watch notices changes
// while the window is active; an editor that replaces the file by renaming
// a new one over it ends the watch on the old file, so the watch is taken
// again on every change.

#include "dialogs/DialogService.h"
#include "document/Document.h"

#include <QFileSystemWatcher>
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace mobrix::app {

inline constexpr const char* kFileChangedTitle = "File changed";
inline constexpr const char* kFileRemovedTitle = "File removed";

class FileWatch : public QObject {
    Q_OBJECT
public:
    // `reload` reads the document's file again as it was opened and says
    // whether it could.
    FileWatch(Document& doc, DialogService& dialogs, QWidget& window, std::function<bool()> reload,
              QObject* parent);

    // Compares the file with the one last read or written and, when it
    // differs, tells the user (unless a question of this watch is up or a
    // modal window holds the program).
    void Check();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Identity {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        friend bool operator==(const Identity&, const Identity&) = default;
    };
    static Identity IdentityOf(const std::string& path);

    // After the document's model was replaced or saved: the file to watch
    // (none for a model without a file of its own) and its identity now.
    void Remember();
    void Watch();
    void OnWatchedChange();
    void TellChanged();
    void TellRemoved();
    QString FileWords() const;

    Document& doc_;
    DialogService& dialogs_;
    QWidget& window_;
    std::function<bool()> reload_;
    QFileSystemWatcher watcher_;
    std::string path_; // empty: nothing to watch
    Identity known_;
    bool telling_ = false;
};

} // namespace mobrix::app
