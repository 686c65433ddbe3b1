#include "core/u_listaCaducidad.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "core/u_ajustes.h"
#include "core/u_cargaCertificados.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_registroCertificado.h"

namespace marlevanta {

namespace {

QString DeUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

Resultado<int> DiasDeAviso(const QString& texto) {
    const Ajuste& a = ajuste::AvisoCaducidadDias;
    const auto n = TextoAEntero(texto.toStdString());
    if (!n || *n < a.minimo || *n > a.maximo) {
        // Appended, not "\"" + std::string: GCC 12 at -O3 warns of an overlapping copy that
        // cannot happen (-Wrestrict, a false positive of its own).
        return Falla(std::string("\"")
                         .append(texto.toStdString())
                         .append("\" no es un número de días entre ")
                         .append(std::to_string(a.minimo))
                         .append(" y ")
                         .append(std::to_string(a.maximo))
                         .append("."));
    }
    return *n;
}

namespace {

// `sha256(i)`: the SHA-256 of the i-th row's certificate, where it is known.
template <typename Sha256>
std::vector<CertificadoPorCaducar> Lista(const std::vector<RegistroCertificado>& filas,
                                         Sha256 sha256, const QDateTime& ahora, int dias,
                                         bool conCaducados) {
    std::vector<CertificadoPorCaducar> lista;
    for (size_t i = 0; i < filas.size(); ++i) {
        const RegistroCertificado& r = filas[i];
        if (r.ilegible || !r.fecha_caducidad.isValid()) continue;
        const bool caducado = Caducado(r, ahora);
        const int faltan = static_cast<int>(ahora.date().daysTo(r.fecha_caducidad));
        if ((caducado && !conCaducados) || faltan > dias) continue;
        lista.push_back({r.fecha_caducidad, faltan, r.alias, DeUtf8(SujetoReal(r)),
                         DeUtf8(EmisorReal(r)), r.key_for_alias, sha256(i)});
    }
    std::stable_sort(lista.begin(), lista.end(), [](const auto& a, const auto& b) {
        if (a.caducidad != b.caducidad) return a.caducidad < b.caducidad;
        return a.nombre < b.nombre;
    });
    return lista;
}

}  // namespace

std::vector<CertificadoPorCaducar> PorCaducar(const std::vector<DatosCertificado>& certificados,
                                              const std::map<std::string, std::string>& alias,
                                              const QDateTime& ahora, int dias, bool conCaducados) {
    // The rows the window would show, so that alias and dates are read the way it reads them;
    // they keep the store's order, which ties each to its certificate.
    auto filas = FilasDeAlmacen(certificados, alias, ahora);
    filas.resize(std::min(filas.size(), certificados.size()));
    return Lista(
        filas, [&](size_t i) { return DeUtf8(certificados[i].huellaSha256); }, ahora, dias,
        conCaducados);
}

std::vector<CertificadoPorCaducar> PorCaducarDeFilas(const std::vector<RegistroCertificado>& filas,
                                                     const QDateTime& ahora, int dias,
                                                     bool conCaducados) {
    return Lista(
        filas, [](size_t) { return QString(); }, ahora, dias, conCaducados);
}

QByteArray ListaTsv(const std::vector<CertificadoPorCaducar>& lista) {
    const auto visible = [](const QString& t) { return NombreVisible(t.toStdString()); };
    QString texto;
    for (const CertificadoPorCaducar& c : lista) {
        texto += QStringList{c.caducidad.toString(Qt::ISODate),
                             QString::number(c.dias),
                             visible(c.alias),
                             visible(c.nombre),
                             visible(c.emisor),
                             c.huellaSha256}
                     .join(u'\t');
        texto += u'\n';
    }
    return texto.toUtf8();
}

QByteArray ListaJson(const std::vector<CertificadoPorCaducar>& lista) {
    QJsonArray array;
    for (const CertificadoPorCaducar& c : lista) {
        array.append(QJsonObject{{"fecha", c.caducidad.toString(Qt::ISODate)},
                                 {"dias", c.dias},
                                 {"alias", c.alias},
                                 {"nombre", c.nombre},
                                 {"emisor", c.emisor},
                                 {"sha256", c.huellaSha256}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

SalidaOrden OrdenCaducan(AlmacenCertificados& almacen, TManejadorRegistro& registro,
                         const std::optional<QString>& dias, bool json, const QDateTime& ahora) {
    SalidaOrden s;
    int periodo = 0;
    if (dias) {
        const auto n = DiasDeAviso(*dias);
        if (!n) {
            s.mensajes << QStringLiteral("marlevanta: --caducan: ") + DeUtf8(n.motivo());
            return s;
        }
        periodo = *n;
    } else {
        Ajustes& ajustes = registro.ajustes();
        periodo = ajustes.Entero(ajuste::AvisoCaducidadDias);
        if (const auto p = ajustes.ProblemaNuevo(ajuste::AvisoCaducidadDias)) {
            s.mensajes << QStringLiteral(
                              "marlevanta: aviso: el periodo de aviso guardado no "
                              "vale (%1); se usan %2 días.")
                              .arg(DeUtf8(*p))
                              .arg(periodo);
        }
    }
    auto certificados = almacen.LeerCertificados();
    if (!certificados) {
        s.mensajes << QStringLiteral("marlevanta: ") + DeUtf8(certificados.motivo());
        return s;
    }
    auto alias = registro.LeerTodosLosAlias();
    if (!alias) {
        s.mensajes << QStringLiteral("marlevanta: aviso: la lista va sin alias: ") +
                          DeUtf8(alias.motivo());
    }
    const auto lista =
        PorCaducar(*certificados, alias.valor_o({}), ahora, periodo, /*conCaducados=*/false);
    s.salida = json ? ListaJson(lista) : ListaTsv(lista);
    s.codigo = lista.empty() ? 0 : 1;
    return s;
}

}  // namespace marlevanta
