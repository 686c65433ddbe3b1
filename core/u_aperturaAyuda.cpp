#include "core/u_aperturaAyuda.h"

#include <QDir>

#include "core/u_direccionesAyuda.h"
#include "core/u_segundoPlano.h"

namespace marlevanta {

AperturaAyuda::AperturaAyuda(Entorno entorno, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {
    // The program's end stops the question too.
    entorno_.api.cancelar = fondo_.Cancelacion();
}

Hecho AperturaAyuda::Permitida() const {
    return AyudaPermitida(entorno_.administrador);
}

QString AperturaAyuda::RutaModulo() const {
    // A bare name would be looked for in the system's library folders: anybody's module.
    if (entorno_.carpetaAyudantes.empty() || entorno_.nombreModuloAyuda.empty()) return {};
    return QDir::toNativeSeparators(
        QDir(QString::fromStdString(entorno_.carpetaAyudantes))
            .filePath(QString::fromStdString(entorno_.nombreModuloAyuda)));
}

void AperturaAyuda::PedirDirecciones() {
    fondo_.Ejecutar(
        this, [api = entorno_.api] { return api.LeerUrlsAyuda(); },
        [this](Resultado<UrlsAyuda> r) {
            if (!entorno_.registro) {
                emit Direcciones(QStringLiteral("about:blank"), QStringLiteral("about:blank"));
                return;
            }
            const DireccionesAyuda d = ResolverDireccionesAyuda(*entorno_.registro, r);
            emit Direcciones(d.uso, d.trucos);
        });
}

}  // namespace marlevanta
