// Filling the certificate table from the user's store or with the demonstration rows.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <string>

#include "app/certstore/certstore.h"
#include "app/tabla_certificados.h"
#include "store/u_manejadorRegistro.h"

namespace marlevanta {

// "Thu, 05 Jan 2023 10:00:00 GMT" read by position: the date as written, no time-zone shift.
// Null when the text does not have that form.
QDate FechaDeValidez(const std::string& texto);

// 1 from the first moment of the day two calendar months before the expiry day until the
// first moment of the expiry day itself.
quint16 ProximoACaducar(const QDate& caducidad, const QDateTime& ahora);

struct ResultadoCarga {
    bool abierto = false;
    QString error;  // the store's own words when it could not be opened
};

// On failure to open the store the table keeps the rows it had.
ResultadoCarga CargarCertificadosAlmacen(TTablaCertificados& tabla, AlmacenCertificados& almacen,
                                         TManejadorRegistro& registro, const QDateTime& ahora);

inline constexpr int kFilasDemo = 34;
void CargarCertificadosDemo(TTablaCertificados& tabla, TManejadorRegistro& registro,
                            const QDateTime& ahora);

}  // namespace marlevanta
