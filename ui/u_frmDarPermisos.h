// Offers to start the permission program with administrator rights when the managed policy
// cannot be written, and says what came of it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marlevanta {

class DarPermisos;
class TmanejadorFuncionesComunes;

class TfrmDarPermisos : public QDialog {
    Q_OBJECT

public:
    TfrmDarPermisos(QWidget* owner, DarPermisos& permisos, TmanejadorFuncionesComunes& comunes);
    QLabel* Label1() const { return Label1_; }
    QLineEdit* edtOrden() const { return edtOrden_; }
    QPushButton* btnAceptar() const { return btnAceptar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

    // Not while the permission program runs: the rule is written again only once it has ended.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    DarPermisos& permisos_;
    TmanejadorFuncionesComunes& comunes_;
    QLabel* Label1_;
    QLineEdit* edtOrden_;
    QPushButton* btnAceptar_;
    QPushButton* btnCancelar_;
};

}  // namespace marlevanta
