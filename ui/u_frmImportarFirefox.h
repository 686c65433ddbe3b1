// Chooses the Firefox profile to copy certificates from, asks its primary password when it has
// one and copies them, asking again while the password is wrong.
#pragma once

#include <QDialog>

#include "ui/u_pieImportacion.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marlevanta {

class ImportacionFirefox;

class TfrmImportarFirefox : public QDialog {
    Q_OBJECT

public:
    // Accepted once the copy has ended (the Fin of `importacion` says how), rejected when the
    // user cancelled. Offers the profiles `importacion` found.
    TfrmImportarFirefox(QWidget* owner, ImportacionFirefox& importacion);

    bool Importando() const;

    QComboBox* cmbPerfil() const { return cmbPerfil_; }
    QLineEdit* edtContrasena() const { return edtContrasena_; }
    QLabel* lblError() const { return lblError_; }
    QPushButton* btnImportar() const { return btnImportar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

    // Not while copying: it cannot be stopped half-way.
    void reject() override;

private:
    void PerfilElegido();
    void btnImportarClick();
    void Activo(bool activo);

    ImportacionFirefox& importacion_;
    QComboBox* cmbPerfil_;
    QLabel* lblContrasena_;
    QLineEdit* edtContrasena_;
    QLabel* lblError_;
    QPushButton* btnImportar_;
    QPushButton* btnCancelar_;
    PieImportacion pie_{};
};

}  // namespace marlevanta
