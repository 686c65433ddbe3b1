#include "windows/ayuda_direcciones.h"

#include "online/u_manejadorApi.h"
#include "store/u_manejadorRegistro.h"

namespace marlevanta {

QString DireccionAyuda(const QString& direccion) {
    const QString d = direccion.trimmed().toLower();
    return d.startsWith(QLatin1String("http")) ? d : QStringLiteral("about:blank");
}

DireccionesAyuda ResolverDireccionesAyuda(TManejadorRegistro& registro, TManejadorApi* api) {
    QString uso = QString::fromStdString(registro.LeerValor("AyudaUso")).toLower().trimmed();
    QString trucos = QString::fromStdString(registro.LeerValor("AyudaTrucos")).toLower().trimmed();
    QString nuevoUso, nuevoTrucos;
    if (api && api->LeerUrlsAyuda(nuevoUso, nuevoTrucos)) {
        nuevoUso = nuevoUso.toLower().trimmed();
        nuevoTrucos = nuevoTrucos.toLower().trimmed();
        if (nuevoUso != uso && nuevoUso.startsWith(QLatin1String("http"))) {
            registro.EscribirValor("AyudaUso", nuevoUso.toStdString());
            uso = nuevoUso;
        }
        if (nuevoTrucos != trucos && nuevoTrucos.startsWith(QLatin1String("http"))) {
            registro.EscribirValor("AyudaTrucos", nuevoTrucos.toStdString());
            trucos = nuevoTrucos;
        }
    }
    return {DireccionAyuda(uso), DireccionAyuda(trucos)};
}

}  // namespace marlevanta
