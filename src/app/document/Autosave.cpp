#include "document/Autosave.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
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
    constexpr char kSaid[] = "recovery write stalled\n";
    [[maybe_unused]] const ssize_t said = ::write(STDOUT_FILENO, kSaid, sizeof kSaid - 1);
    for (;;)
        ::pause();
}

// The writing process: writes the copy, says why it could not on `out`,
// and ends without running anything of the program it was forked from.
[[noreturn]] void RunWriter(const RecoverySession& session, const CarModel& model, const RemapSections& sections,
                            const RecoveryManifest& about, bool stall, pid_t parent, int out)
{
    // A writer whose Mobrix was killed must not finish the copy alone.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
    const std::optional<std::string> failure = session.Write(model, sections, about, [stall] {
        if (stall)
            StallForGood();
    });
    if (failure) {
        [[maybe_unused]] const ssize_t told = ::write(out, failure->data(), failure->size());
    }
    ::_exit(failure ? 1 : 0);
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
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
    RecoveryManifest about = Describe();
    about.generation = session_->NextGeneration();
    about.writtenAt = RecoveryTimeNow();
    const bool stall = setup_.stallAfterFirstWrite && writes_ > 0;
    int told[2];
    if (::pipe2(told, O_CLOEXEC) != 0) {
        status_.Show("The recovery copy could not be written: " + QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(told[0]);
        RunWriter(*session_, doc_.Model(), doc_.Sections(), about, stall, parent, told[1]);
    }
    ::close(told[1]);
    if (writer < 0) {
        ::close(told[0]);
        status_.Show("The recovery copy could not be written: " + QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    changed_ = false;
    writeGeneration_ = about.generation;
    writer_ = std::thread([this, writer, fd = told[0]] {
        std::string failure = ReadAll(fd);
        ::close(fd);
        int status = 0;
        while (::waitpid(writer, &status, 0) < 0 && errno == EINTR) {
        }
        const bool written = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!written && failure.empty())
            failure = "the writing process ended early";
        writeFailure_ = written ? std::nullopt : std::optional(failure);
        QMetaObject::invokeMethod(this, [this] { Wait(); }, Qt::QueuedConnection);
    });
    return true;
}

RecoveryManifest Autosave::Describe() const
{
    const DocumentState& state = doc_.State();
    RecoveryManifest about;
    about.variant = CopyVariant(doc_);
    about.savesInVariant = state.SaveVariant.has_value() && !doc_.Model().FileName.empty();
    about.offersSave = state.OffersSave;
    about.path = doc_.Model().FileName;
    about.archiveEntry = state.ArchiveEntry;
    about.texturePath = doc_.TexturePath().toStdString();
    about.vertexSet = doc_.Model().ActiveVertexSet;
    return about;
}

void Autosave::Settle()
{
    ++writes_;
    if (writeFailure_) {
        changed_ = true; // try again at the next tick
        status_.Show("The recovery copy could not be written: " + QString::fromStdString(*writeFailure_));
    } else if (session_) {
        session_->Committed(writeGeneration_);
    }
    emit written(writeFailure_ ? QString::fromStdString(*writeFailure_) : QString());
}

void Autosave::Wait()
{
    if (!writer_.joinable())
        return;
    writer_.join();
    Settle();
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
