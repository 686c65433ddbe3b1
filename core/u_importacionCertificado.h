// One import of a PKCS #12 file into the user's store. The import runs on a worker; a wrong
// password is asked for again, anything else ends the import with what the user is told.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/plataforma/u_importadorCertificados.h"

namespace marlevanta {

class SegundoPlano;

struct FinImportacion {
    std::optional<std::string> huella;  // the certificate to select afterwards
    QString error;                      // why nothing was imported
    QString aviso;                      // a notice on success
};

class ImportacionCertificado : public QObject {
    Q_OBJECT

public:
    using Fabrica = std::function<std::unique_ptr<ImportadorCertificados>()>;
    // `fabrica` empty: this system cannot import.
    ImportacionCertificado(Fabrica fabrica, SegundoPlano& fondo, QObject* parent = nullptr);

    // Whether importing is possible here; the failure is what the user is told.
    Hecho Disponible() const;
    // Imports `archivo` with `contrasena` (as typed; "" for a file without one): either
    // ContrasenaIncorrecta or Terminada follows, on this object's thread.
    void Importar(const QString& archivo, const QString& contrasena);
    bool Importando() const { return importando_; }

    // Once Terminada: what came of the import.
    const FinImportacion& Fin() const { return fin_; }

signals:
    // The password was wrong; `aviso` says so and asks for it again. The import can be tried
    // once more.
    void ContrasenaIncorrecta(const QString& aviso);
    void Terminada();

private:
    void Importado(Resultado<CertificadoImportado> r);

    Fabrica fabrica_;
    SegundoPlano& fondo_;
    bool importando_ = false;
    FinImportacion fin_;
};

}  // namespace marlevanta
