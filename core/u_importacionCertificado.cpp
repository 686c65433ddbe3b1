#include "core/u_importacionCertificado.h"

#include "core/u_segundoPlano.h"

namespace marlevanta {

ImportacionCertificado::ImportacionCertificado(Fabrica fabrica, SegundoPlano& fondo,
                                               QObject* parent)
    : QObject(parent), fabrica_(std::move(fabrica)), fondo_(fondo) {}

Hecho ImportacionCertificado::Disponible() const {
    if (fabrica_) return {};
    return Falla("En este sistema no se pueden importar certificados desde el programa.");
}

void ImportacionCertificado::Importar(const QString& archivo, const QString& contrasena) {
    if (importando_) return;
    if (auto disponible = Disponible(); !disponible) {
        fin_ = {std::nullopt, QString::fromStdString(disponible.motivo()), {}};
        emit Terminada();
        return;
    }
    importando_ = true;
    fondo_.Ejecutar(
        this,
        [fabrica = fabrica_, archivo = archivo.toStdString(),
         contrasena = contrasena.toStdString()]() -> Resultado<CertificadoImportado> {
            auto importador = fabrica();
            if (!importador) {
                return Falla(
                    "En este sistema no se pueden importar certificados desde el programa.");
            }
            return importador->Importar(archivo, contrasena);
        },
        [this](Resultado<CertificadoImportado> r) { Importado(std::move(r)); });
}

void ImportacionCertificado::Importado(Resultado<CertificadoImportado> r) {
    importando_ = false;
    if (!r) {
        // The one failure the user mends in the same window: the importer says it word for word.
        if (r.motivo() == kContrasenaIncorrecta) {
            emit ContrasenaIncorrecta(QString::fromUtf8(kContrasenaIncorrecta) +
                                      QStringLiteral(" Escríbala de nuevo."));
            return;
        }
        // A failure must never pass for silence.
        fin_ = {std::nullopt,
                r.motivo().empty() ? QStringLiteral("No se ha podido importar el certificado.")
                                   : QString::fromStdString(r.motivo()),
                {}};
        emit Terminada();
        return;
    }
    fin_ = {r->huella, {}, {}};
    if (r->yaEstaba) {
        fin_.aviso = QStringLiteral(
            "Este certificado ya estaba en el almacén: se muestra seleccionado en la lista.");
    }
    emit Terminada();
}

}  // namespace marlevanta
