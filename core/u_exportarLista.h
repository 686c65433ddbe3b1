// The list as the grid shows it, written to a file: a spreadsheet's CSV or a calendar with the
// day each certificate expires.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct RegistroCertificado;

enum class FormatoLista { Csv, ICalendar };

// iCalendar for a name ending in .ics (any case), CSV for any other.
FormatoLista FormatoDeArchivo(const QString& ruta);

// RFC 4180 with ';' between fields, as spreadsheets in Spanish read it: a field holding ';', '"',
// a line break, or a blank at either end is quoted, its quotes doubled; lines end in CR LF. UTF-8
// after a byte order mark, without which the common spreadsheet reads the text as the system's
// legacy code page and spoils every accent. A field that begins like a formula ('=', '+', '-',
// '@') gets a leading apostrophe, so that a certificate's name is never run as one.
// The grid's marks of direction (U+2066 to U+2069) are left out.
QByteArray ListaCsv(const QStringList& cabeceras, const std::vector<QStringList>& filas);

// One all-day event a certificate on its expiry day, its UID made from the SHA-1 thumbprint (the
// same at every export, so a calendar that imports it again replaces instead of doubling it), and
// an alarm `diasAviso` days before. Rows without a date or a thumbprint are left out.
QByteArray ListaIcs(const std::vector<RegistroCertificado>& filas, int diasAviso,
                    const QDateTime& ahora);

// RFC 5545 TEXT: backslash, ';' and ',' escaped, line breaks as "\n", other control characters
// as U+FFFD.
QString EscaparTextoIcs(const QString& texto);
// A content line cut into lines of at most 75 octets (the continuation's leading blank
// included), never inside a UTF-8 character, each ending in CR LF.
QByteArray PlegarLineaIcs(const QByteArray& linea);

// Replaces or creates the file in one step: the old file stays whole until the new one is.
[[nodiscard]] Hecho GuardarArchivo(const QString& ruta, const QByteArray& datos);

}  // namespace marlevanta
