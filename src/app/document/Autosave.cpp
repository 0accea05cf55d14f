#include "document/Autosave.h"

#include <cstdio>
#include <unistd.h>

namespace mobrix::app {

namespace {

// The variant a copy is written in: the one "&Save" writes, else the one
// the model's content fits (an NFSIII file holds no more than 16 parts of a
// converted model).
FceVariant CopyVariant(const Document& doc)
{
    if (doc.State().SaveVariant)
        return *doc.State().SaveVariant;
    switch (doc.Model().FileFormat) {
    case ModelOrigin::Nfs4: return FceVariant::Nfs4;
    case ModelOrigin::Fce4m: return FceVariant::Fce4m;
    case ModelOrigin::From3ds: return doc.Model().Header.NumParts > 16 ? FceVariant::Nfs4 : FceVariant::Nfs3;
    case ModelOrigin::Nfs3: break;
    }
    return FceVariant::Nfs3;
}

[[noreturn]] void StallForGood()
{
    std::printf("recovery write stalled\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

} // namespace

Autosave::Autosave(Document& doc, StatusLine& status, AutosaveSetup setup, QObject* parent)
    : QObject(parent), doc_(doc), status_(status), setup_(std::move(setup))
{
    if (setup_.folder.empty() || setup_.intervalSeconds <= 0)
        return;
    timer_.setInterval(setup_.intervalSeconds * 1000);
    connect(&timer_, &QTimer::timeout, this, [this] { WriteNow(); });
    timer_.start();
    QUndoStack& history = doc_.History();
    connect(&history, &QUndoStack::indexChanged, this, [this] { Changed(); });
    connect(&doc_, &Document::sectionsChanged, this, [this] { Changed(); });
    connect(&doc_, &Document::textureChanged, this, [this] { Changed(); });
    connect(&history, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean)
            RemoveCopy();
    });
    connect(&doc_, &Document::modelReplaced, this, [this] { RemoveCopy(); });
    connect(&doc_, &Document::saved, this, [this] { RemoveCopy(); });
}

Autosave::~Autosave()
{
    Wait();
}

void Autosave::Changed()
{
    changed_ = true;
}

bool Autosave::WriteNow()
{
    if (setup_.folder.empty() || !changed_ || doc_.History().isClean() || writer_.joinable() ||
        !doc_.State().ModelExists)
        return false;
    if (!session_) {
        auto started = RecoverySession::Start(setup_.folder);
        if (const auto* failure = std::get_if<std::string>(&started)) {
            status_.Show("No recovery copy: " + QString::fromStdString(*failure));
            return false;
        }
        session_.emplace(std::move(std::get<RecoverySession>(started)));
    }
    changed_ = false;
    const bool stall = setup_.stallAfterFirstWrite && writes_ > 0;
    writer_ = std::thread([this, stall, snapshot = TakeSnapshot()] {
        std::optional<std::string> failure = session_->Write(snapshot, [stall] {
            if (stall)
                StallForGood();
        });
        QMetaObject::invokeMethod(this, [this, failure] { Finished(failure); }, Qt::QueuedConnection);
    });
    return true;
}

RecoverySnapshot Autosave::TakeSnapshot() const
{
    const DocumentState& state = doc_.State();
    RecoverySnapshot snapshot{doc_.Model(), doc_.Sections(), {}};
    RecoveryManifest& about = snapshot.about;
    about.variant = CopyVariant(doc_);
    about.savesInVariant = state.SaveVariant.has_value() && !doc_.Model().FileName.empty();
    about.offersSave = state.OffersSave;
    about.path = doc_.Model().FileName;
    about.archiveEntry = state.ArchiveEntry;
    about.texturePath = doc_.TexturePath().toStdString();
    about.vertexSet = doc_.Model().ActiveVertexSet;
    return snapshot;
}

void Autosave::Finished(const std::optional<std::string>& failure)
{
    Wait();
    ++writes_;
    if (failure) {
        changed_ = true; // try again at the next tick
        status_.Show("The recovery copy could not be written: " + QString::fromStdString(*failure));
    }
    emit written(failure ? QString::fromStdString(*failure) : QString());
}

void Autosave::Wait()
{
    if (writer_.joinable())
        writer_.join();
}

void Autosave::RemoveCopy()
{
    Wait();
    changed_ = false;
    if (session_)
        session_->RemoveCopy();
}

std::vector<LeftCopy> Autosave::FindLeftCopies() const
{
    if (setup_.folder.empty())
        return {};
    return RecoverySession::FindLeftCopies(setup_.folder);
}

void Autosave::Adopt(RecoverySession session)
{
    Wait();
    if (session_)
        session_->End();
    session_.emplace(std::move(session));
    changed_ = false;
}

void Autosave::EndSession()
{
    Wait();
    timer_.stop();
    if (session_)
        session_->End();
    session_.reset();
}

} // namespace mobrix::app
