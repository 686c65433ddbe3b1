// Services that every window shares: for now the program's own message dialog.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <initializer_list>

#include "core/u_datosPrograma.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace marlevanta {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
    mbClose
};

// A set of buttons, bit n standing for the button of value n: [mbOK] is 4, [mbYes, mbNo] is 3.
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons Botones(std::initializer_list<TMsgDlgBtn> botones) {
    TMsgDlgButtons r = 0;
    for (TMsgDlgBtn b : botones) r |= 1u << b;
    return r;
}

// The dialog that wmessagedlg shows; public so that it can be driven and inspected.
class DialogoMensaje : public QDialog {
    Q_OBJECT

public:
    DialogoMensaje(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons botones, int defBtn,
                   QWidget* padre);
    QPushButton* Boton(TMsgDlgBtn boton) const;
    QPushButton* BotonPorDefecto() const { return porDefecto_; }
    QPushButton* BotonCancelar() const { return cancelar_; }
    // The whole text, wherever it is shown.
    QString Texto() const { return texto_; }
    // The scrollable box that holds a text too long for the screen; null for a short one.
    QPlainTextEdit* Caja() const { return caja_; }
    void CentrarEn(const QRect& zona) { zona_ = zona; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;  // the close box
    void showEvent(QShowEvent* e) override;

private:
    QPushButton* botones_[12] = {};
    QPushButton* porDefecto_ = nullptr;
    QPushButton* cancelar_ = nullptr;
    QString texto_;
    QPlainTextEdit* caja_ = nullptr;
    QRect zona_;
};

// The services that every window shares, one instance for the whole run: the program's own
// message dialog, centred over the main window once that is on screen.
class TmanejadorFuncionesComunes {
public:
    // The result code of the button that closed the dialog; 2 for the close box.
    quint16 wmessagedlg(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons Botones,
                        int defBtn) const;

    void FijarVentanaPrincipal(QWidget* ventana);

private:
    QPointer<QWidget> ventanaPrincipal_;
};

// The general error box: a failure nobody else reports, shown over `dueno` (or the screen).
void MostrarErrorGeneral(QWidget* dueno, const QString& mensaje,
                         const QString& nombre = QStringLiteral("ErrorGeneral"));

}  // namespace marlevanta
