#include "core/u_exportarLista.h"

#include <QRegularExpression>
#include <QSaveFile>

#include "core/u_registroCertificado.h"

namespace marlevanta {

FormatoLista FormatoDeArchivo(const QString& ruta) {
    return ruta.endsWith(QStringLiteral(".ics"), Qt::CaseInsensitive) ? FormatoLista::ICalendar
                                                                      : FormatoLista::Csv;
}

namespace {

QString CampoCsv(QString campo) {
    // The grid isolates each name's direction for the screen (U+2066 to U+2069); a name of the
    // store never holds these, as NombreVisible replaces them.
    campo.remove(QRegularExpression(QStringLiteral("[\\x{2066}-\\x{2069}]")));
    if (!campo.isEmpty() && QStringLiteral("=+-@").contains(campo.front())) campo.prepend(u'\'');
    const bool comillas = campo.contains(u';') || campo.contains(u'"') || campo.contains(u'\n') ||
                          campo.contains(u'\r') || campo.startsWith(u' ') || campo.endsWith(u' ');
    if (!comillas) return campo;
    campo.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + campo + u'"';
}

void LineaCsv(QByteArray& salida, const QStringList& campos) {
    QStringList escritos;
    for (const QString& c : campos) escritos << CampoCsv(c);
    salida += escritos.join(u';').toUtf8();
    salida += "\r\n";
}

}  // namespace

QByteArray ListaCsv(const QStringList& cabeceras, const std::vector<QStringList>& filas) {
    QByteArray salida("\xEF\xBB\xBF");
    LineaCsv(salida, cabeceras);
    for (const QStringList& f : filas) LineaCsv(salida, f);
    return salida;
}

QString EscaparTextoIcs(const QString& texto) {
    QString r;
    r.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == u'\\' || c == u';' || c == u',') {
            r += u'\\';
            r += c;
        } else if (c == u'\r' || c == u'\n') {
            // CR LF is one break.
            if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n') ++i;
            r += QStringLiteral("\\n");
        } else if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F) {
            r += QChar(0xFFFD);
        } else {
            r += c;
        }
    }
    return r;
}

QByteArray PlegarLineaIcs(const QByteArray& linea) {
    QByteArray r;
    qsizetype desde = 0;
    qsizetype cabe = 75;  // the first line has no leading blank
    while (linea.size() - desde > cabe) {
        qsizetype corte = desde + cabe;
        // Back to the first byte of the character that would be cut.
        while (corte > desde && (static_cast<unsigned char>(linea[corte]) & 0xC0) == 0x80) --corte;
        r += linea.mid(desde, corte - desde);
        r += "\r\n ";
        desde = corte;
        cabe = 74;
    }
    r += linea.mid(desde);
    r += "\r\n";
    return r;
}

QByteArray ListaIcs(const std::vector<RegistroCertificado>& filas, int diasAviso,
                    const QDateTime& ahora) {
    QByteArray r;
    const auto linea = [&r](const QString& texto) { r += PlegarLineaIcs(texto.toUtf8()); };
    linea(QStringLiteral("BEGIN:VCALENDAR"));
    linea(QStringLiteral("VERSION:2.0"));
    linea(QStringLiteral("PRODID:-//Velquorin//Marlevanta//ES"));
    linea(QStringLiteral("CALSCALE:GREGORIAN"));
    const QString sello = ahora.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (const RegistroCertificado& f : filas) {
        if (f.ilegible || !f.fecha_caducidad.isValid() || f.key_for_alias.isEmpty()) continue;
        const QString nombre = EscaparTextoIcs(DescripcionCertificado(f));
        const QString resumen = QStringLiteral("Caduca el certificado ") + nombre;
        linea(QStringLiteral("BEGIN:VEVENT"));
        linea(QStringLiteral("UID:certificado-") + f.key_for_alias.toUpper() +
              QStringLiteral("@marlevanta"));
        linea(QStringLiteral("DTSTAMP:") + sello);
        linea(QStringLiteral("DTSTART;VALUE=DATE:") + f.fecha_caducidad.toString("yyyyMMdd"));
        linea(QStringLiteral("DTEND;VALUE=DATE:") +
              f.fecha_caducidad.addDays(1).toString("yyyyMMdd"));
        linea(QStringLiteral("SUMMARY:") + resumen);
        linea(QStringLiteral("DESCRIPTION:") +
              EscaparTextoIcs(QStringLiteral("Emitido para: %1\nEmitido por: %2\nHuella SHA-1: %3")
                                  .arg(f.emitido_para, f.emitido_por, f.key_for_alias)));
        linea(QStringLiteral("TRANSP:TRANSPARENT"));
        linea(QStringLiteral("BEGIN:VALARM"));
        linea(QStringLiteral("ACTION:DISPLAY"));
        linea(QStringLiteral("DESCRIPTION:") + resumen);
        linea(QStringLiteral("TRIGGER:-P%1D").arg(diasAviso));
        linea(QStringLiteral("END:VALARM"));
        linea(QStringLiteral("END:VEVENT"));
    }
    linea(QStringLiteral("END:VCALENDAR"));
    return r;
}

Hecho GuardarArchivo(const QString& ruta, const QByteArray& datos) {
    QSaveFile archivo(ruta);
    const auto fallo = [&] {
        return Falla("No se puede guardar \"" + ruta.toStdString() +
                     "\": " + archivo.errorString().toStdString());
    };
    if (!archivo.open(QIODevice::WriteOnly)) return fallo();
    if (archivo.write(datos) != datos.size()) {
        archivo.cancelWriting();
        return fallo();
    }
    if (!archivo.commit()) return fallo();
    return {};
}

}  // namespace marlevanta
