#pragma once
// Autosave: while the model has changes that are not saved, a recovery copy
// (see RecoveryCopy.h) is written at every tick of a timer, when something
// changed since the copy before. Whenever the document is clean again
// (saved, opened afresh, undone back to its saved state) the copy goes; a
// clean exit ends the session and takes its folder too. A crash leaves the
// copy for the next start.
//
// The write runs in a child process forked from the window's: the child's
// memory is a copy-on-write picture of the document at that moment, so the
// window pauses only for the fork, whatever the model's size, and keeps no
// second copy of the model. The child touches nothing but the model, the
// core's encoders and plain file calls, and ends with its parent.

#include "dialogs/StatusLine.h"
#include "document/Document.h"
#include "document/RecoveryCopy.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace mobrix::app {

struct AutosaveSetup {
    std::string folder;          // the recovery folder; empty: no autosave and no recovery
    int intervalSeconds = 120;   // 0: no autosave
    // For the tests that end Mobrix in the middle of a write: every write
    // after the first stops for good once its model and remap files are
    // written, before the manifest names them.
    bool stallAfterFirstWrite = false;
};

class Autosave : public QObject {
    Q_OBJECT
public:
    Autosave(Document& doc, StatusLine& status, AutosaveSetup setup, QObject* parent);
    // Waits for a write under way. The copy stays: this is no clean exit.
    ~Autosave() override;

    // Starts writing a copy when the model has changes that no copy holds
    // yet and no write is under way; whether one started.
    bool WriteNow();
    // Waits until the write under way, if any, is done (a thread of this
    // object waits for the writing process meanwhile).
    void Wait();

    // The copies that sessions which are over left behind, each locked by
    // this session until it is given back (destroyed) or ended.
    std::vector<LeftCopy> FindLeftCopies() const;
    // The session of a copy that was recovered becomes this one: its copy
    // holds the model as it is now.
    void Adopt(RecoverySession session);
    // A clean exit: the copy and its folder go.
    void EndSession();

signals:
    // A write is done (`failure` empty when the copy was written).
    void written(const QString& failure);

private:
    void Changed();
    void RemoveCopy();
    // What the manifest says of the document now.
    RecoveryManifest Describe() const;
    // After the write's process ended: the session learns of the new
    // generation, or the status line of the failure.
    void Settle();

    Document& doc_;
    StatusLine& status_;
    AutosaveSetup setup_;
    QTimer timer_;
    std::optional<RecoverySession> session_;
    std::thread writer_; // waits for the writing process
    std::uint64_t writeGeneration_ = 0;
    std::optional<std::string> writeFailure_;
    bool changed_ = false; // the model changed since the last copy
    int writes_ = 0;
};

} // namespace mobrix::app
