#include "core/u_avisoCaducidad.h"

#include <algorithm>

#include "core/plataforma/u_avisosEscritorio.h"
#include "core/u_ajustes.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_registroCertificado.h"

namespace marlevanta {

namespace {

QString Nombre(const CertificadoPorCaducar& c) {
    return QStringLiteral("«%1»").arg(c.alias.trimmed().isEmpty() ? c.nombre : c.alias);
}

QString TituloProximos(qsizetype n, int dias) {
    const QString cuantos = n == 1 ? QStringLiteral("1 certificado caduca")
                                   : QStringLiteral("%1 certificados caducan").arg(n);
    if (dias == 1) return cuantos + QStringLiteral(" mañana");
    return cuantos + QStringLiteral(" en los próximos %1 días").arg(dias);
}

}  // namespace

DecisionAviso DecidirAviso(const std::vector<CertificadoPorCaducar>& lista, int dias,
                           const QDate& hoy, const EstadoAvisos& antes) {
    DecisionAviso d{std::nullopt, antes};
    if (antes.ultimoDia == hoy) return d;
    std::vector<const CertificadoPorCaducar*> proximos;
    std::vector<const CertificadoPorCaducar*> caducadosNuevos;
    QStringList caducados;
    for (const CertificadoPorCaducar& c : lista) {
        if (c.dias > 0) {
            proximos.push_back(&c);
            continue;
        }
        caducados << c.huella;
        if (!antes.caducadosAvisados.contains(c.huella)) caducadosNuevos.push_back(&c);
    }
    if (proximos.empty() && caducadosNuevos.empty()) return d;
    // The most recently expired first: the one the user is likeliest not to know of.
    std::stable_sort(caducadosNuevos.begin(), caducadosNuevos.end(),
                     [](const auto* a, const auto* b) { return a->caducidad > b->caducidad; });
    TextoAviso t;
    QStringList partes;
    if (!proximos.empty()) {
        t.titulo = TituloProximos(static_cast<qsizetype>(proximos.size()), dias);
        const CertificadoPorCaducar& primero = *proximos.front();
        partes << (proximos.size() == 1 ? QStringLiteral("%1, el %2.")
                                        : QStringLiteral("El primero, %1, el %2."))
                      .arg(Nombre(primero), FechaCorta(primero.caducidad));
    } else {
        t.titulo = caducadosNuevos.size() == 1
                       ? QStringLiteral("1 certificado ha caducado")
                       : QStringLiteral("%1 certificados han caducado").arg(caducadosNuevos.size());
    }
    if (!caducadosNuevos.empty()) {
        const CertificadoPorCaducar& ultimo = *caducadosNuevos.front();
        const QString quien =
            QStringLiteral("%1, el %2").arg(Nombre(ultimo), FechaCorta(ultimo.caducidad));
        const qsizetype mas = static_cast<qsizetype>(caducadosNuevos.size()) - 1;
        const QString resto = mas > 0 ? QStringLiteral(" y %1 más").arg(mas) : QString();
        partes << (proximos.empty() ? quien + resto + QStringLiteral(".")
                                    : QStringLiteral("Ya ha caducado %1%2.").arg(quien, resto));
    }
    t.texto = partes.join(u'\n');
    d.aviso = t;
    // Only the certificates still expired are remembered: the list cannot grow for ever.
    d.estado = {hoy, caducados};
    return d;
}

AvisoCaducidad::AvisoCaducidad(TManejadorRegistro& registro, AvisosEscritorio& avisos,
                               Fuente fuente, bool conClic, QObject* parent)
    : QObject(parent),
      registro_(registro),
      avisos_(avisos),
      fuente_(std::move(fuente)),
      conClic_(conClic) {
    reloj_.setInterval(60 * 60 * 1000);
    connect(&reloj_, &QTimer::timeout, this, [this] { Comprobar(QDateTime::currentDateTime()); });
}

void AvisoCaducidad::Empezar() {
    reloj_.start();
    Comprobar(QDateTime::currentDateTime());
}

void AvisoCaducidad::Comprobar(const QDateTime& ahora) {
    Ajustes& a = registro_.ajustes();
    // One at a time: a slow desktop must not get the same notice twice.
    if (enCurso_ || !a.Interruptor(ajuste::AvisosCaducidad)) {
        emit Terminado(false, QString());
        return;
    }
    const int dias = a.Entero(ajuste::AvisoCaducidadDias);
    EstadoAvisos antes;
    antes.ultimoDia = QDate::fromString(
        QString::fromStdString(a.Texto(ajuste::AvisoCaducidadUltimo)), Qt::ISODate);
    const QString avisados = QString::fromStdString(a.Texto(ajuste::AvisoCaducidadCaducados));
    antes.caducadosAvisados = avisados.split(u',', Qt::SkipEmptyParts);
    const DecisionAviso d = DecidirAviso(fuente_(ahora, dias), dias, ahora.date(), antes);
    if (!d.aviso) {
        emit Terminado(false, QString());
        return;
    }
    enCurso_ = true;
    QPointer<AvisoCaducidad> vivo(this);
    std::function<void()> alPulsar;
    if (conClic_) {
        alPulsar = [vivo] {
            if (vivo) emit vivo->Pulsado();
        };
    }
    avisos_.Mostrar(
        d.aviso->titulo.toStdString(), d.aviso->texto.toStdString(),
        [vivo, estado = d.estado](const Hecho& h) {
            if (!vivo) return;
            vivo->enCurso_ = false;
            if (!h) {
                // Not recorded: the next check tries again.
                emit vivo->Terminado(false, QString::fromStdString(h.motivo()));
                return;
            }
            Ajustes& a = vivo->registro_.ajustes();
            Hecho g = a.Fijar(ajuste::AvisoCaducidadUltimo,
                              estado.ultimoDia.toString(Qt::ISODate).toStdString());
            if (g) {
                g = a.Fijar(ajuste::AvisoCaducidadCaducados,
                            estado.caducadosAvisados.join(u',').toStdString());
            }
            emit vivo->Terminado(true, g ? QString() : QString::fromStdString(g.motivo()));
        },
        std::move(alPulsar));
}

}  // namespace marlevanta
