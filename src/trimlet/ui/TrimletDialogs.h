#pragma once
// Every dialog Trimlet shows goes through this interface, so that tests can
// answer the file dialog and read the message boxes.

#include <QString>

#include <optional>

namespace trimlet {

class TrimletDialogs {
public:
    enum class Icon { None, Critical };

    virtual ~TrimletDialogs() = default;
    // A message box with one OK button.
    virtual void Message(const QString& text, const QString& title, Icon icon) = 0;
    // The open-file dialog for an NFSIV FCE file; empty when cancelled.
    virtual std::optional<QString> OpenFceFile() = 0;
};

// The real dialogs.
class QtTrimletDialogs : public TrimletDialogs {
public:
    void Message(const QString& text, const QString& title, Icon icon) override;
    std::optional<QString> OpenFceFile() override;
};

} // namespace trimlet
