// Certificates that the browser's rule cannot tell apart: the same subject and issuer names, as
// a renewed certificate has. The browser then presents the one it prefers, whichever was chosen.
#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "core/u_registroCertificado.h"

namespace marlevanta {

class TTablaCertificados;

// The rows of the table that the rule for `elegido` matches, `elegido` among them, in the
// browser's order of preference: valid now first, then the latest end, then the latest start.
std::vector<RegistroCertificado> CertificadosDelFiltro(const TTablaCertificados& tabla,
                                                       const RegistroCertificado& elegido,
                                                       const QDateTime& ahora);

// What the user must know before the run, or "" when the rule can only lead to `elegido`: when
// two or more of those certificates are valid, or the browser would present another one.
QString AvisoGemelos(const TTablaCertificados& tabla, const RegistroCertificado& elegido,
                     const QDateTime& ahora);

}  // namespace marlevanta
