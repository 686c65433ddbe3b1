// Services that every window shares: for now the program's own message dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <initializer_list>

class QLabel;
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

inline const QString kTituloAplicacion =
    QStringLiteral("Marlevanta - Buscador de certificados SSL");

// The dialog that wmessagedlg shows; public so that it can be driven and inspected.
class DialogoMensaje : public QDialog {
    Q_OBJECT

public:
    DialogoMensaje(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons botones, int defBtn,
                   QWidget* padre);
    QPushButton* Boton(TMsgDlgBtn boton) const;
    QPushButton* BotonPorDefecto() const { return porDefecto_; }
    QPushButton* BotonCancelar() const { return cancelar_; }
    QString Texto() const;
    void CentrarEn(const QRect& zona) { zona_ = zona; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;  // the close box
    void showEvent(QShowEvent* e) override;

private:
    QPushButton* botones_[12] = {};
    QPushButton* porDefecto_ = nullptr;
    QPushButton* cancelar_ = nullptr;
    QLabel* texto_ = nullptr;
    QRect zona_;
};

class TmanejadorFuncionesComunes {
public:
    // The result code of the button that closed the dialog; 2 for the close box.
    quint16 wmessagedlg(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons Botones,
                        int defBtn) const;

    // Starts the program and waits for it in 500 ms slices, dispatching the waiting window events
    // between them, so that windows stay painted and the open dialog takes keys. False, with the
    // reason in `error`, when it cannot be started. `codigo` receives its exit code.
    bool RunAndWaitShell(const QString& Ejecutable, const QStringList& Argumentos,
                         QString* error = nullptr, int* codigo = nullptr) const;

    // The web API's request token from an input such as "20261209marlevanta": 420 lower-case
    // hexadecimal characters for a non-empty input.
    static QString Encripta(const QString& str);

    // The temporary folder with a separator at its end.
    static QString DirTemporalWindows();

    // The window that dialogs are centred over once it is on screen.
    static void FijarVentanaPrincipal(QWidget* ventana);
    static QWidget* VentanaPrincipal();
};

}  // namespace marlevanta
