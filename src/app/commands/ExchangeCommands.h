#pragma once
// The exchange commands: part files and the OBJ export ("&Parts" menu),
// the 3DS, OBJ and X conversions, the 3DS export and the glTF import and
// export ("&File" menu). The
// file formats live in the exchange library; these handlers ask for the
// files, call it, and hand the result to the document.

#include "dialogs/DialogService.h"
#include "ExchangeErrors.h"
#include "document/Document.h"

#include <QObject>

#include <optional>
#include <string>

class QAction;
class QMenu;

namespace mobrix::app {

class ExchangeCommands : public QObject {
    Q_OBJECT
public:
    ExchangeCommands(Document& doc, DialogService& dialogs, QObject* parent);

    void BuildConversionItems(QMenu* file);
    void BuildPartItems(QMenu* parts);
    QAction* Export3dsItem() const { return mnuEx3DS_; }

    void mnuEPart_Click();
    void mnuIPart_Click();
    void mnuConv3DS_Click();
    void mnuConv3DSPRT_Click();
    void mnuEx3DS_Click();
    void mnuConvX_Click();
    void mnuConvObj_Click();
    void mnuExObj_Click();
    void mnuImpGltf_Click();
    void mnuExGltf_Click();

signals:
    // A conversion that ended, refused or not, while a model was there
    // turns "&Save" on, whatever it ended with.
    void saveOffered();

private:
    void ShowExchangeFailure(ExchangeCommand command, const ExchangeFailure& failure);
    std::optional<std::string> ChooseSource(const QString& initialName, const char* filter);
    std::optional<CarModel> Convert(ExchangeCommand command, const std::string& path,
                                    ExchangeStatus (*convert)(CarModel&, const std::string&));
    void ShowConvertedModel(CarModel model, const std::string& sourcePath, bool withSave);

    Document& doc_;
    DialogService& dialogs_;
    QAction* mnuEx3DS_ = nullptr;
};

} // namespace mobrix::app
