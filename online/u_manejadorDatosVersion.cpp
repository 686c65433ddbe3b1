#include "online/u_manejadorDatosVersion.h"

#include <QDateTime>
#include <QLocale>

namespace marlevanta {

TManejadorDatosVersion::TManejadorDatosVersion() : archivo_(CrearArchivoPrograma()) {}
TManejadorDatosVersion::TManejadorDatosVersion(std::unique_ptr<ArchivoPrograma> archivo)
    : archivo_(std::move(archivo)) {}
TManejadorDatosVersion::~TManejadorDatosVersion() = default;

QString TManejadorDatosVersion::ObtenerVersion() const {
    const auto v = archivo_->Version();
    if (!v) return {};
    return QStringLiteral("%1.%2.%3").arg((*v)[0]).arg((*v)[1]).arg((*v)[2]);
}

QString TManejadorDatosVersion::ObtenerFechaVersion() const {
    const auto t = archivo_->UltimaEscritura();
    if (!t) return {};
    const qint64 ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t->time_since_epoch()).count();
    const QDate fecha = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().date();
    if (!fecha.isValid()) return {};
    const QLocale local = QLocale::system();
    return local.standaloneMonthName(fecha.month(), QLocale::LongFormat) + u' ' +
           QString::number(fecha.year()).rightJustified(4, u'0');
}

bool TManejadorDatosVersion::ObtenerVersionNumerica(qint32& version, qint32& subversion,
                                                    qint32& build) const {
    const auto v = archivo_->Version();
    if (!v) return false;
    version = (*v)[0];
    subversion = (*v)[1];
    build = (*v)[2];
    return true;
}

}  // namespace marlevanta
