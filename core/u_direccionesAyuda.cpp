#include "core/u_direccionesAyuda.h"

#include "core/u_manejadorRegistro.h"

namespace marlevanta {

QString DireccionAyuda(const QString& direccion) {
    const QString d = direccion.trimmed().toLower();
    return d.startsWith(QLatin1String("https://")) ? d : QStringLiteral("about:blank");
}

DireccionesAyuda ResolverDireccionesAyuda(TManejadorRegistro& registro,
                                          const Resultado<UrlsAyuda>& respuesta) {
    const auto leer = [&registro](const char* nombre) {
        return QString::fromStdString(registro.LeerValor(nombre).valor_o("")).toLower().trimmed();
    };
    QString uso = leer(ajuste::AyudaUso.clave);
    QString trucos = leer(ajuste::AyudaTrucos.clave);
    if (respuesta) {
        const auto adoptar = [&registro](const char* nombre, const QString& nueva,
                                         QString& actual) {
            const QString n = nueva.toLower().trimmed();
            if (n == actual || !n.startsWith(QLatin1String("https://"))) return;
            // Used for this showing even when it cannot be stored.
            (void)registro.EscribirValor(nombre, n.toStdString());
            actual = n;
        };
        adoptar(ajuste::AyudaUso.clave, respuesta->uso, uso);
        adoptar(ajuste::AyudaTrucos.clave, respuesta->trucos, trucos);
    }
    return {DireccionAyuda(uso), DireccionAyuda(trucos)};
}

Hecho AyudaPermitida(bool comoAdministrador) {
    if (!comoAdministrador) return {};
    return Falla(
        "La ayuda no se abre mientras Marlevanta se ejecuta como administrador (root): sus "
        "páginas web se mostrarían sin la protección que el navegador les pone. Abra Marlevanta "
        "con su usuario habitual para consultarla.");
}

}  // namespace marlevanta
