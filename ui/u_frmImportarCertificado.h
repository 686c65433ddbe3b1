// Asks the password of a PKCS #12 file and imports it, asking again while the password is wrong.
#pragma once

#include <QDialog>

#include "ui/u_pieImportacion.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace marlevanta {

class ImportacionCertificado;

class TfrmImportarCertificado : public QDialog {
    Q_OBJECT

public:
    // Accepted once `importacion` has ended (its Fin says how), rejected when the user
    // cancelled.
    TfrmImportarCertificado(QWidget* owner, const QString& archivo,
                            ImportacionCertificado& importacion);

    bool Importando() const;

    QLabel* lblArchivo() const { return lblArchivo_; }
    QLineEdit* edtContrasena() const { return edtContrasena_; }
    QLabel* lblError() const { return lblError_; }
    QPushButton* btnImportar() const { return btnImportar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

    // Not while an import runs: it cannot be stopped half-way.
    void reject() override;

private:
    void btnImportarClick();
    void Activo(bool activo);

    QString archivo_;
    ImportacionCertificado& importacion_;
    QLabel* lblArchivo_;
    QLineEdit* edtContrasena_;
    QLabel* lblError_;
    QPushButton* btnImportar_;
    QPushButton* btnCancelar_;
    PieImportacion pie_{};
};

}  // namespace marlevanta
