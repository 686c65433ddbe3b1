// Offers to start the permission program with administrator rights when a rule write failed.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace marlevanta {

class IniciadorProcesos;
class SegundoPlano;
class TmanejadorFuncionesComunes;

// pkexec and the permission program `pqrvr` (its absolute path) for the user of `sid`.
QStringList OrdenPermisos(const QString& pqrvr, const QString& sid);

class TfrmDarPermisos : public QDialog {
    Q_OBJECT

public:
    TfrmDarPermisos(QWidget* owner, IniciadorProcesos& procesos, SegundoPlano& fondo,
                    TmanejadorFuncionesComunes& comunes, QStringList orden);
    QPushButton* btnAceptar() const { return btnAceptar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

private:
    void btnAceptarClick();

    IniciadorProcesos& procesos_;
    SegundoPlano& fondo_;
    TmanejadorFuncionesComunes& comunes_;
    QStringList orden_;
    QLabel* Label1_;
    QPushButton* btnAceptar_;
    QPushButton* btnCancelar_;
};

}  // namespace marlevanta
