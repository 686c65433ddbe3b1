// Asks the password of a PKCS #12 file and imports it, asking again while the password is wrong.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "core/plataforma/u_importadorCertificados.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace marlevanta {

class SegundoPlano;

class TfrmImportarCertificado : public QDialog {
    Q_OBJECT

public:
    // Runs on a worker: the file and the password typed.
    using Importar = std::function<Resultado<CertificadoImportado>(const std::string& archivo,
                                                                   const std::string& contrasena)>;
    TfrmImportarCertificado(QWidget* owner, const QString& archivo, Importar importar,
                            SegundoPlano& fondo);

    // Once closed: the outcome of the import, or nothing when the user cancelled.
    const std::optional<Resultado<CertificadoImportado>>& Desenlace() const { return resultado_; }
    bool Importando() const { return importando_; }

    QLabel* lblArchivo() const { return lblArchivo_; }
    QLineEdit* edtContrasena() const { return edtContrasena_; }
    QLabel* lblError() const { return lblError_; }
    QPushButton* btnImportar() const { return btnImportar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

    // Not while an import runs: it cannot be stopped half-way.
    void reject() override;

private:
    void btnImportarClick();
    void Importado(marlevanta::Resultado<CertificadoImportado> r);

    QString archivo_;
    Importar importar_;
    SegundoPlano& fondo_;
    std::optional<marlevanta::Resultado<CertificadoImportado>> resultado_;
    bool importando_ = false;
    QLabel* lblArchivo_;
    QLineEdit* edtContrasena_;
    QLabel* lblError_;
    QLabel* lblEstado_;
    QPushButton* btnImportar_;
    QPushButton* btnCancelar_;
};

}  // namespace marlevanta
