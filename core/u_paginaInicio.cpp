#include "core/u_paginaInicio.h"

#include <QUrl>

namespace marlevanta {

QString MotivoPaginaRechazada(const QString& direccion) {
    const QString d = direccion.trimmed();
    if (d.isEmpty()) return {};
    const QUrl url(d, QUrl::StrictMode);
    // The browser takes its last argument as the page: anything else (a switch, a file, a
    // plain-text site) is refused here.
    if (!d.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) || !url.isValid() ||
        url.scheme() != QLatin1String("https") || url.host().isEmpty() || d.contains(u' ')) {
        return QStringLiteral(
            "Sólo se admiten direcciones seguras que empiecen por https://, "
            "por ejemplo https://sede.ejemplo.es");
    }
    return {};
}

Resultado<std::string> LeerPaginaInicio(TManejadorRegistro& registro, const std::string& huella) {
    auto clave = registro.Registro().AbrirLectura(kClavePaginas);
    if (!clave) return Fallo{clave.motivo()};
    if (!*clave) return std::string();
    return (*clave)->LeerTexto(huella);
}

Hecho EscribirPaginaInicio(TManejadorRegistro& registro, const std::string& huella,
                           const std::string& direccion) {
    auto clave = registro.Registro().AbrirEscritura(kClavePaginas);
    if (!clave) return Fallo{clave.motivo()};
    if (auto escrito = (*clave)->EscribirTexto(huella, direccion); !escrito) return escrito;
    if (auto cerrada = (*clave)->Cerrar(); !cerrada) {
        return Falla(TextoErrorEscritura(huella) + ": " + cerrada.motivo());
    }
    return {};
}

ComandoPorNavegador ConPaginaInicio(ComandoPorNavegador comando, const QString& pagina) {
    const QString p = pagina.trimmed();
    if (p.isEmpty() || !MotivoPaginaRechazada(p).isEmpty()) return comando;
    return [comando = std::move(comando), p = p.toStdString()](Navegador n) {
        auto c = comando(n);
        if (c) c->argumentos.push_back(p);
        return c;
    };
}

}  // namespace marlevanta
