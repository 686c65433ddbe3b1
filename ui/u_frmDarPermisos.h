// Offers to start the permission program with administrator rights when the managed policy
// cannot be written, and says what came of it.
#pragma once

#include <QDialog>
#include <QStringList>

#include "core/u_sesionNavegador.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace marlevanta {

class IniciadorProcesos;
class SegundoPlano;
class TmanejadorFuncionesComunes;

// pkexec and the permission program `pqrvr` (its absolute path) for the user of `sid`.
QStringList OrdenPermisos(const QString& pqrvr, const QString& sid);
// What an administrator can type instead, in a terminal.
QString OrdenAdministrador(const QString& pqrvr, const QString& sid);

// Why the grant failed, in words the user can act on; "" when it did not fail. pkexec answers
// 126 when the password request was dismissed and 127 when it could not ask or was refused;
// any other failure is the permission program's own, told on its standard error.
QString MotivoPermisos(const Resultado<SalidaPrograma>& salida);

class TfrmDarPermisos : public QDialog {
    Q_OBJECT

public:
    // `orden`: the program and arguments of OrdenPermisos.
    TfrmDarPermisos(QWidget* owner, IniciadorProcesos& procesos, SegundoPlano& fondo,
                    TmanejadorFuncionesComunes& comunes, QStringList orden);
    QLabel* Label1() const { return Label1_; }
    QLineEdit* edtOrden() const { return edtOrden_; }
    QPushButton* btnAceptar() const { return btnAceptar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void btnAceptarClick();

    IniciadorProcesos& procesos_;
    SegundoPlano& fondo_;
    TmanejadorFuncionesComunes& comunes_;
    QStringList orden_;
    QLabel* Label1_;
    QLineEdit* edtOrden_;
    QPushButton* btnAceptar_;
    QPushButton* btnCancelar_;
};

}  // namespace marlevanta
