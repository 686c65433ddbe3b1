#include "core/u_manejadorDatosVersion.h"

#include <QDateTime>
#include <QLocale>

namespace marlevanta {

TManejadorDatosVersion::TManejadorDatosVersion(std::unique_ptr<ArchivoPrograma> archivo)
    : archivo_(std::move(archivo)) {}
TManejadorDatosVersion::~TManejadorDatosVersion() = default;

Resultado<QString> TManejadorDatosVersion::ObtenerVersion() const {
    const auto v = archivo_->Version();
    if (!v) return Fallo{v.motivo()};
    return QStringLiteral("%1.%2.%3").arg((*v)[0]).arg((*v)[1]).arg((*v)[2]);
}

Resultado<QString> TManejadorDatosVersion::ObtenerFechaVersion() const {
    const auto t = archivo_->UltimaEscritura();
    if (!t) return Fallo{t.motivo()};
    const qint64 ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t->time_since_epoch()).count();
    const QDate fecha = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().date();
    if (!fecha.isValid()) return Falla("Fecha no válida");
    const QLocale local = QLocale::system();
    return QString(local.standaloneMonthName(fecha.month(), QLocale::LongFormat) + u' ' +
                   QString::number(fecha.year()).rightJustified(4, u'0'));
}

Resultado<TManejadorDatosVersion::VersionNumerica> TManejadorDatosVersion::ObtenerVersionNumerica()
    const {
    const auto v = archivo_->Version();
    if (!v) return Fallo{v.motivo()};
    return VersionNumerica{(*v)[0], (*v)[1], (*v)[2]};
}

}  // namespace marlevanta
