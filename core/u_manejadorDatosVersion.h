// The program's own version and version date. Created for one call and freed at once.
#pragma once

#include <QString>
#include <memory>

#include "core/plataforma/u_archivoPrograma.h"

namespace marlevanta {

class TManejadorDatosVersion {
public:
    explicit TManejadorDatosVersion(std::unique_ptr<ArchivoPrograma> archivo);
    ~TManejadorDatosVersion();

    // "1.0.4"; fails without a version record.
    Resultado<QString> ObtenerVersion() const;
    // Month name in the system's language and the year of the file's last write, local time:
    // "febrero 2023".
    Resultado<QString> ObtenerFechaVersion() const;
    struct VersionNumerica {
        qint32 version = 0;
        qint32 subversion = 0;
        qint32 build = 0;
    };
    Resultado<VersionNumerica> ObtenerVersionNumerica() const;

private:
    std::unique_ptr<ArchivoPrograma> archivo_;
};

// version * 10000 + subversion * 100 + build
inline qint32 VersionComparable(qint32 version, qint32 subversion, qint32 build) {
    return version * 10000 + subversion * 100 + build;
}

}  // namespace marlevanta
