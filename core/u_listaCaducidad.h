// The store's certificates that expire soon: for scripts (`marlevanta --caducan`) and for the
// desktop notices.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"
#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class TManejadorRegistro;
struct RegistroCertificado;

struct CertificadoPorCaducar {
    QDate caducidad;
    // From today to the expiry day; 0 or less when expired (the program counts a certificate
    // expired from the first moment of its last day, as the grid does).
    int dias = 0;
    QString alias;
    // The subject's and the issuer's common names as the certificate holds them.
    QString nombre;
    QString emisor;
    QString huella;  // SHA-1, the key its alias is kept under
    QString huellaSha256;
};

// The number of days of `--caducan DÍAS`, within the bounds of the warning period's setting;
// the failure says so in Spanish.
Resultado<int> DiasDeAviso(const QString& texto);

// The certificates whose expiry day is at most `dias` days away, nearest first (then by name);
// the expired ones only when `conCaducados`. Unreadable certificates have no date to tell.
std::vector<CertificadoPorCaducar> PorCaducar(const std::vector<DatosCertificado>& certificados,
                                              const std::map<std::string, std::string>& alias,
                                              const QDateTime& ahora, int dias,
                                              bool conCaducados = false);

// The same from rows the window has loaded, which carry no SHA-256.
std::vector<CertificadoPorCaducar> PorCaducarDeFilas(const std::vector<RegistroCertificado>& filas,
                                                     const QDateTime& ahora, int dias,
                                                     bool conCaducados);

// One line per certificate: date (yyyy-mm-dd), days, alias, name, issuer, SHA-256, separated by
// tabs. Control characters in names and aliases are shown by their pictures, so a name can
// neither split a line nor add a column.
QByteArray ListaTsv(const std::vector<CertificadoPorCaducar>& lista);
// The same as a JSON array of objects (fecha, dias, alias, nombre, emisor, sha256), UTF-8.
QByteArray ListaJson(const std::vector<CertificadoPorCaducar>& lista);

// What `marlevanta --caducan` ends with: 0 none expires within the period, 1 some do, 2 the list
// could not be made.
struct SalidaOrden {
    int codigo = 2;
    QByteArray salida;     // standard output
    QStringList mensajes;  // standard error, one message a line
};

// Reads the store and the aliases and makes the list for `--caducan [DÍAS] [--json]`; without
// DÍAS, the warning period of the settings. Aliases that cannot be read leave the list without
// them and are told on standard error.
SalidaOrden OrdenCaducan(AlmacenCertificados& almacen, TManejadorRegistro& registro,
                         const std::optional<QString>& dias, bool json, const QDateTime& ahora);

}  // namespace marlevanta
