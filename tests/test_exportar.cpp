// The exported list: CSV and iCalendar as other programs read them, the file replaced whole, and
// the window writing exactly the rows and columns it shows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ayudantes.h"
#include "core/u_exportarLista.h"
#include "core/u_registroCertificado.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ventanas.h"

using namespace marlevanta;

namespace {

QByteArray Leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no se puede leer>");
}

// The content lines of an iCalendar text, unfolded as a reader does.
QStringList Desplegar(const QByteArray& ics) {
    QByteArray junto = ics;
    junto.replace("\r\n ", "");
    QStringList lineas = QString::fromUtf8(junto).split(QStringLiteral("\r\n"));
    if (!lineas.isEmpty() && lineas.last().isEmpty()) lineas.removeLast();
    return lineas;
}

// The records of a CSV text as RFC 4180 reads them, with ';' between fields.
std::vector<QStringList> LeerCsv(const QString& texto) {
    std::vector<QStringList> registros;
    QStringList campos;
    QString campo;
    bool entre = false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (entre) {
            if (c == u'"' && i + 1 < texto.size() && texto[i + 1] == u'"') {
                campo += u'"';
                ++i;
            } else if (c == u'"') {
                entre = false;
            } else {
                campo += c;
            }
        } else if (c == u'"') {
            entre = true;
        } else if (c == u';') {
            campos << campo;
            campo.clear();
        } else if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n') {
            campos << campo;
            campo.clear();
            registros.push_back(campos);
            campos.clear();
            ++i;
        } else {
            campo += c;
        }
    }
    EXPECT_TRUE(campo.isEmpty() && campos.isEmpty()) << "the last record has no CR LF";
    return registros;
}

RegistroCertificado Fila(const QString& nombre, const QString& alias, const QDate& caducidad,
                         const QString& huella) {
    RegistroCertificado r;
    r.emitido_para = nombre;
    r.alias = alias;
    r.emitido_por = QStringLiteral("AC Pruebas");
    r.fecha_caducidad = caducidad;
    r.key_for_alias = huella;
    return r;
}

}  // namespace

TEST(Exportar, CsvComoLoLeeUnaHojaDeCalculo) {
    const QByteArray csv = ListaCsv({"Nº", "Emitido para"}, {{"1", "PÉREZ; \"ANA\"\nsegunda línea"},
                                                             {"2", "Núñez"},
                                                             {"3", "=HYPERLINK(\"x\")"},
                                                             {"4", " con blancos "},
                                                             {"5", ""}});
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
              "Nº;Emitido para\r\n"
              "1;\"PÉREZ; \"\"ANA\"\"\nsegunda línea\"\r\n"
              "2;Núñez\r\n"
              "3;\"'=HYPERLINK(\"\"x\"\")\"\r\n"
              "4;\" con blancos \"\r\n"
              "5;\r\n");
    // The marks that keep a name's direction on screen are not part of it.
    EXPECT_TRUE(ListaCsv({"x"}, {{Aislado("Ana")}}).endsWith("\r\nAna\r\n"));
    for (const char* formula : {"+1", "-2", "@SUMA"}) {
        EXPECT_TRUE(ListaCsv({"x"}, {{formula}}).endsWith("'" + QByteArray(formula) + "\r\n"))
            << formula;
    }
}

TEST(Exportar, IcsConUnEventoPorCertificadoYSuAviso) {
    const QDateTime ahora(QDate(2025, 3, 10), QTime(9, 30), Qt::UTC);
    const std::vector<RegistroCertificado> filas = {
        Fila("GARCÍA, ANA; \\ \"X\"", "Mi DNI", QDate(2025, 4, 1), "AB12"),
        Fila("Sin fecha", "", QDate(), "CD34"),
        Fila("Caducado", "", QDate(2024, 12, 31), "EF56"),
    };
    const QByteArray ics = ListaIcs(filas, 30, ahora);
    for (const QByteArray& l : ics.split('\n')) {
        if (l.isEmpty()) continue;
        EXPECT_TRUE(l.endsWith('\r')) << l.toStdString();
        EXPECT_LE(l.size() - 1, 75) << l.toStdString();
    }
    const QStringList lineas = Desplegar(ics);
    EXPECT_EQ(lineas.first(), "BEGIN:VCALENDAR");
    EXPECT_EQ(lineas.last(), "END:VCALENDAR");
    EXPECT_TRUE(lineas.contains("VERSION:2.0"));
    EXPECT_EQ(lineas.filter(QRegularExpression("^PRODID:")).size(), 1);
    EXPECT_EQ(lineas.count("BEGIN:VEVENT"), 2);  // the row without a date has no day to mark
    EXPECT_EQ(lineas.count("END:VEVENT"), 2);
    EXPECT_EQ(lineas.count("TRIGGER:-P30D"), 2);
    const qsizetype primero = lineas.indexOf("BEGIN:VEVENT");
    const QStringList evento = lineas.mid(primero, lineas.indexOf("END:VEVENT") - primero + 1);
    EXPECT_TRUE(evento.contains("UID:certificado-AB12@marlevanta"));
    EXPECT_TRUE(evento.contains("DTSTAMP:20250310T093000Z"));
    EXPECT_TRUE(evento.contains("DTSTART;VALUE=DATE:20250401"));
    EXPECT_TRUE(evento.contains("DTEND;VALUE=DATE:20250402"));
    EXPECT_TRUE(
        evento.contains("SUMMARY:Caduca el certificado Mi DNI - GARCÍA\\, ANA\\; \\\\ \"X\""))
        << evento.join('\n').toStdString();
    EXPECT_TRUE(
        evento.contains("DESCRIPTION:Emitido para: GARCÍA\\, ANA\\; \\\\ \"X\"\\nEmitido "
                        "por: AC Pruebas\\nHuella SHA-1: AB12"))
        << evento.join('\n').toStdString();
    EXPECT_TRUE(evento.contains("BEGIN:VALARM"));
    EXPECT_TRUE(evento.contains("ACTION:DISPLAY"));
    // The same certificate gives the same UID at every export.
    EXPECT_EQ(ListaIcs(filas, 30, ahora.addDays(3)).count("UID:certificado-AB12@marlevanta"), 1);

    EXPECT_EQ(EscaparTextoIcs("a\r\nb\nc\rd\x01\te"),
              QString("a\\nb\\nc\\nd") + QChar(0xFFFD) + "\te");
}

TEST(Exportar, LasLineasLargasSePleganSinPartirUnCaracter) {
    // Two-byte characters from an even octet on: a cut at octet 75 would fall inside one.
    const QByteArray larga = "SUMMARY:" + QString(100, QChar(0x00D1)).toUtf8();
    const QByteArray plegada = PlegarLineaIcs(larga);
    const QList<QByteArray> partes = plegada.split('\n');
    ASSERT_GE(partes.size(), 4);
    EXPECT_EQ(partes[0].size(), 75);  // 74 octets and the CR: the cut moved back one
    for (qsizetype i = 0; i + 1 < partes.size(); ++i) {
        const QByteArray& p = partes[i];
        ASSERT_TRUE(p.endsWith('\r'));
        EXPECT_LE(p.size() - 1, 75) << i;
        EXPECT_EQ(p.startsWith(' '), i > 0) << i;
        // Each physical line is whole UTF-8 on its own.
        const QByteArray sinFin = p.left(p.size() - 1);
        EXPECT_EQ(QString::fromUtf8(sinFin).toUtf8(), sinFin) << i;
        EXPECT_FALSE(QString::fromUtf8(sinFin).contains(QChar::ReplacementCharacter)) << i;
    }
    EXPECT_EQ(partes.last(), "");
    // As long as allowed: one octet more, and only then, makes a second line.
    EXPECT_EQ(PlegarLineaIcs(QByteArray(75, 'x')), QByteArray(75, 'x') + "\r\n");
    EXPECT_EQ(PlegarLineaIcs(QByteArray(76, 'x')), QByteArray(75, 'x') + "\r\n x\r\n");
    QByteArray unida = plegada;
    unida.replace("\r\n ", "");
    EXPECT_EQ(unida, larga + "\r\n");
    // Four-byte characters straddling the limit.
    const QByteArray emojis = QString("X").repeated(73).toUtf8() + QString::fromUtf8("😀😀").toUtf8();
    const QList<QByteArray> e = PlegarLineaIcs(emojis).split('\n');
    EXPECT_EQ(e[0], QString("X").repeated(73).toUtf8() + "\r");
    EXPECT_EQ(e[1], " " + QString::fromUtf8("😀😀").toUtf8() + "\r");
}

TEST(Exportar, ElArchivoSeReemplazaEnteroOQuedaComoEstaba) {
    QTemporaryDir dir;
    const QString ruta = dir.filePath("lista.csv");
    ASSERT_TRUE(GuardarArchivo(ruta, "primera"));
    EXPECT_EQ(Leer(ruta), "primera");
    ASSERT_TRUE(GuardarArchivo(ruta, "segunda, más corta"));
    EXPECT_EQ(Leer(ruta), "segunda, más corta");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"lista.csv"});

    // A folder that does not exist: a failure that names the file, and nothing made.
    const Hecho sinCarpeta = GuardarArchivo(dir.filePath("no/hay/lista.csv"), "x");
    EXPECT_FALSE(sinCarpeta);
    EXPECT_NE(sinCarpeta.motivo().find("no/hay/lista.csv"), std::string::npos)
        << sinCarpeta.motivo();
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));

    // The name taken by a folder: the failure is told, the folder untouched.
    ASSERT_TRUE(QDir(dir.path()).mkdir("carpeta.ics"));
    EXPECT_FALSE(GuardarArchivo(dir.filePath("carpeta.ics"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("carpeta.ics")).isDir());

    EXPECT_EQ(FormatoDeArchivo("/tmp/a.ICS"), FormatoLista::ICalendar);
    EXPECT_EQ(FormatoDeArchivo("/tmp/a.csv"), FormatoLista::Csv);
    EXPECT_EQ(FormatoDeArchivo("/tmp/ics"), FormatoLista::Csv);
}

TEST(Exportar, CtrlEEscribeLasFilasYColumnasQueLaRejillaMuestra) {
    QTemporaryDir dir;
    prueba::Entorno xdg("XDG_CONFIG_HOME", dir.path().toStdString());
    {
        // One of the optional columns shown: the file follows the grid, not a fixed set.
        TManejadorRegistro ajustes(CrearRegistroUsuario(), nullptr);
        ASSERT_TRUE(ajustes.ajustes().Fijar(ajuste::VerEmail, true));
    }
    prueba::ProgramaPrueba programa;
    TfrmMenu& w = programa.Abrir();
    // The switches' filter (client certificates, not expired) and an order of the user's.
    w.cmbOrden()->setCurrentIndex(3);
    const TTablaCertificados& tabla = w.cdsCertificados();
    ASSERT_GT(tabla.RecordCount(), 1);
    ASSERT_LT(tabla.RecordCount(), 34);

    QString ruta = dir.filePath("lista.csv");
    int elegidos = 0;
    w.elegirArchivoExportar = [&](QWidget*) {
        ++elegidos;
        return ruta;
    };
    QTest::keyClick(w.grdCertificados(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(prueba::EsperarQue([&] { return QFile::exists(ruta); }));
    EXPECT_EQ(elegidos, 1);
    const QByteArray csv = Leer(ruta);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const auto registros = LeerCsv(QString::fromUtf8(csv.mid(3)));
    ASSERT_EQ(registros.size(), static_cast<size_t>(tabla.RecordCount() + 1));
    EXPECT_EQ(registros[0], (QStringList{"Nº", "Emitido para", "Alias", "Válido hasta", "Email"}));
    for (int i = 0; i < tabla.RecordCount(); ++i) {
        const RegistroCertificado r = tabla.Fila(i);
        const QStringList& f = registros[static_cast<size_t>(i) + 1];
        ASSERT_EQ(f.size(), 5) << i;
        EXPECT_EQ(f[0], QString::number(r.calculated_indice)) << i;
        EXPECT_EQ(f[1], r.emitido_para) << i;
        EXPECT_EQ(f[2], r.alias) << i;
        EXPECT_EQ(f[3], r.fecha_caducidad.toString("dd/MM/yyyy")) << i;
        EXPECT_EQ(f[4], r.email) << i;
    }

    // The calendar, from the grid's menu: one event a row, in the grid's order.
    ruta = dir.filePath("lista.ics");
    w.grdCertificados()->miExportar->trigger();
    ASSERT_TRUE(prueba::EsperarQue([&] { return QFile::exists(ruta); }));
    QStringList uids;
    for (const QString& l : Desplegar(Leer(ruta))) {
        if (l.startsWith("UID:")) uids << l;
    }
    QStringList esperados;
    for (int i = 0; i < tabla.RecordCount(); ++i) {
        esperados << "UID:certificado-" + tabla.Fila(i).key_for_alias.toUpper() + "@marlevanta";
    }
    EXPECT_EQ(uids, esperados);

    // A file that cannot be written is told, and no file appears.
    ruta = dir.filePath("no/existe/lista.csv");
    QString aviso;
    prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
        aviso = m->Texto();
        m->close();
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(prueba::EsperarQue([&] { return !aviso.isEmpty(); }));
    EXPECT_TRUE(aviso.startsWith("No se ha podido exportar la lista. No se puede guardar"))
        << aviso.toStdString();
    EXPECT_FALSE(QFile::exists(ruta));

    // Nothing chosen: nothing written, nothing said.
    QFile::remove(dir.filePath("lista.csv"));
    ruta.clear();
    QTest::keyClick(w.grdCertificados(), Qt::Key_E, Qt::ControlModifier);
    programa.EsperarFondo();
    EXPECT_FALSE(QFile::exists(dir.filePath("lista.csv")));
    prueba::OlvidarDialogos();
}
