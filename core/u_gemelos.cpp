#include "core/u_gemelos.h"

#include <algorithm>

#include "core/u_tablaCertificados.h"

namespace marlevanta {

namespace {

qint64 Inicio(const RegistroCertificado& r) {
    if (r.inicio_validez != 0 || !r.fecha_emision.isValid()) return r.inicio_validez;
    return r.fecha_emision.startOfDay(Qt::UTC).toSecsSinceEpoch();
}

qint64 Fin(const RegistroCertificado& r) {
    if (r.fin_validez != 0 || !r.fecha_caducidad.isValid()) return r.fin_validez;
    return r.fecha_caducidad.startOfDay(Qt::UTC).toSecsSinceEpoch();
}

bool Valido(const RegistroCertificado& r, qint64 ahora) {
    return Inicio(r) <= ahora && ahora <= Fin(r);
}

QString Fecha(qint64 segundos) {
    return FechaCorta(QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC).toLocalTime().date());
}

QString Describir(const RegistroCertificado& r) {
    QString t = QStringLiteral("válido desde el ") + Fecha(Inicio(r)) +
                QStringLiteral(" hasta el ") + Fecha(Fin(r));
    if (!r.alias.trimmed().isEmpty()) {
        t += QStringLiteral(", con el alias «") + Aislado(r.alias.trimmed()) + QStringLiteral("»");
    }
    return t;
}

}  // namespace

std::vector<RegistroCertificado> CertificadosDelFiltro(const TTablaCertificados& tabla,
                                                       const RegistroCertificado& elegido,
                                                       const QDateTime& ahora) {
    const std::string sujeto = SujetoReal(elegido);
    const std::string emisor = EmisorReal(elegido);
    std::vector<RegistroCertificado> r;
    for (int i = 0; i < tabla.TotalFilas(); ++i) {
        const RegistroCertificado& f = tabla.FilaCargada(i);
        if (SujetoReal(f) == sujeto && EmisorReal(f) == emisor) r.push_back(f);
    }
    const qint64 t = ahora.toSecsSinceEpoch();
    std::stable_sort(r.begin(), r.end(), [t](const auto& a, const auto& b) {
        if (Valido(a, t) != Valido(b, t)) return Valido(a, t);
        if (Fin(a) != Fin(b)) return Fin(a) > Fin(b);
        return Inicio(a) > Inicio(b);
    });
    return r;
}

QString AvisoGemelos(const TTablaCertificados& tabla, const RegistroCertificado& elegido,
                     const QDateTime& ahora) {
    const auto todos = CertificadosDelFiltro(tabla, elegido, ahora);
    if (todos.size() < 2) return {};
    const qint64 t = ahora.toSecsSinceEpoch();
    const auto validos =
        std::count_if(todos.begin(), todos.end(), [t](const auto& r) { return Valido(r, t); });
    const RegistroCertificado& primero = todos[0];
    const bool esElElegido = primero.key_for_alias == elegido.key_for_alias;
    if (validos < 2 && esElElegido) return {};
    QString texto =
        QStringLiteral("Tiene %1 certificados con el mismo nombre («").arg(todos.size()) +
        Aislado(elegido.emitido_para) + QStringLiteral("») y el mismo emisor («") +
        Aislado(elegido.emitido_por) + QStringLiteral("»). El navegador no los distingue: ");
    const RegistroCertificado& segundo = todos[1];
    if (Valido(primero, t) == Valido(segundo, t) && Fin(primero) == Fin(segundo) &&
        Inicio(primero) == Inicio(segundo)) {
        texto += QStringLiteral("presentará cualquiera de ellos, no necesariamente el elegido.");
    } else if (esElElegido) {
        texto += QStringLiteral("presentará el elegido (") + Describir(primero) +
                 QStringLiteral("), que es el que caduca más tarde.");
    } else {
        texto += QStringLiteral("presentará el ") + Describir(primero) +
                 QStringLiteral(", no el elegido (") + Describir(elegido) + QStringLiteral(").");
    }
    return texto + QStringLiteral("\n\n¿Desea continuar?");
}

}  // namespace marlevanta
