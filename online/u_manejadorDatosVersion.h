// The program's own version and version date. Created for one call and freed at once.
#pragma once

#include <QString>
#include <memory>

#include "online/programfile.h"

namespace marlevanta {

class TManejadorDatosVersion {
public:
    TManejadorDatosVersion();
    explicit TManejadorDatosVersion(std::unique_ptr<ArchivoPrograma> archivo);
    ~TManejadorDatosVersion();

    // "1.0.4"; empty without a version record.
    QString ObtenerVersion() const;
    // Month name in the system's language and the year of the file's last write, local time:
    // "febrero 2023". Empty when the time cannot be read.
    QString ObtenerFechaVersion() const;
    // False, outputs untouched, without a version record.
    bool ObtenerVersionNumerica(qint32& version, qint32& subversion, qint32& build) const;

private:
    std::unique_ptr<ArchivoPrograma> archivo_;
};

// version * 10000 + subversion * 100 + build
inline qint32 VersionComparable(qint32 version, qint32 subversion, qint32 build) {
    return version * 10000 + subversion * 100 + build;
}

}  // namespace marlevanta
