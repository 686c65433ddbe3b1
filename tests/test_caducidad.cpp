// Certificates about to expire: which are chosen and how they are written, and the real program's
// `--caducan` run as a script would run it, on a real NSS database and without any display.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_listaCaducidad.h"
#include "core/u_manejadorRegistro.h"
#include "platform/linux/u_registroSqlite.h"

using namespace marlevanta;
using prueba::AlmacenFijo;
using prueba::Certificado;

namespace {}  // namespace

TEST(Caducidad, SeEligenLosQueCaducanDentroDelPlazoElMasCercanoPrimero) {
    const QDateTime ahora(QDate(2025, 3, 10), QTime(9, 0));
    const QDate hoy = ahora.date();
    DatosCertificado ilegible;
    ilegible.legible = false;
    ilegible.apodo = "roto";
    const std::vector<DatosCertificado> certificados = {
        Certificado("Treinta", hoy.addDays(30), "AA"),
        Certificado("Treinta y uno", hoy.addDays(31), "BB"),
        Certificado("Hoy", hoy, "CC"),  // expired from the first moment of its last day
        Certificado("Mañana", hoy.addDays(1), "DD"),
        Certificado("Ayer", hoy.addDays(-1), "EE"),
        Certificado("Sin fecha", QDate(), "FF"),
        ilegible,
        Certificado("Beta", hoy.addDays(7), "11"),
        Certificado("Alfa", hoy.addDays(7), "22"),
    };
    // Aliases are kept by the SHA-1 in upper case, whatever case the store gave.
    auto conMinusculas = certificados;
    conMinusculas[3].huella = "dd";
    const std::map<std::string, std::string> alias = {{"DD", "Mi DNI"}, {"AA", "Trabajo"}};

    const auto lista = PorCaducar(conMinusculas, alias, ahora, 30);
    std::vector<std::pair<QString, int>> vistos;
    for (const auto& c : lista) vistos.emplace_back(c.nombre, c.dias);
    EXPECT_EQ(vistos, (std::vector<std::pair<QString, int>>{
                          {"Mañana", 1}, {"Alfa", 7}, {"Beta", 7}, {"Treinta", 30}}));
    ASSERT_EQ(lista.size(), 4u);
    EXPECT_EQ(lista[0].alias, "Mi DNI");
    EXPECT_EQ(lista[0].caducidad, hoy.addDays(1));
    EXPECT_EQ(lista[0].huellaSha256, "DD256");
    EXPECT_EQ(lista[0].emisor, "AC Pruebas");
    EXPECT_EQ(lista[3].alias, "Trabajo");
    EXPECT_TRUE(lista[1].alias.isEmpty());

    // The notices also want the expired ones, with the days gone by.
    const auto todos = PorCaducar(certificados, alias, ahora, 1, true);
    ASSERT_EQ(todos.size(), 3u);
    EXPECT_EQ(todos[0].nombre, "Ayer");
    EXPECT_EQ(todos[0].dias, -1);
    EXPECT_EQ(todos[1].nombre, "Hoy");
    EXPECT_EQ(todos[1].dias, 0);
    EXPECT_EQ(todos[2].nombre, "Mañana");
}

TEST(Caducidad, TsvYJsonLlevanLosNombresSinRomperLaLinea) {
    CertificadoPorCaducar c;
    c.caducidad = QDate(2025, 4, 1);
    c.dias = 5;
    c.alias = "con\ttab";
    c.nombre = "PÉREZ \"ANA\"\nsegunda";
    c.emisor = "AC; Ñ";
    c.huellaSha256 = "ABCD";
    CertificadoPorCaducar d = c;
    d.alias.clear();
    d.dias = 12;

    const QString tsv = QString::fromUtf8(ListaTsv({c, d}));
    const QStringList lineas = tsv.split(u'\n');
    ASSERT_EQ(lineas.size(), 3) << tsv.toStdString();  // two lines and the last end of line
    EXPECT_EQ(lineas[2], "");
    EXPECT_EQ(lineas[0], QString::fromUtf8("2025-04-01\t5\tcon\u2409tab\tPÉREZ \"ANA\"\u240Asegunda"
                                           "\tAC; Ñ\tABCD"));
    EXPECT_EQ(lineas[1].split(u'\t').size(), 6);
    EXPECT_EQ(lineas[1].split(u'\t')[2], "");
    EXPECT_TRUE(ListaTsv({}).isEmpty());

    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(ListaJson({c, d}), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_TRUE(json.isArray());
    ASSERT_EQ(json.array().size(), 2);
    const QJsonObject o = json.array()[0].toObject();
    EXPECT_EQ(o["fecha"].toString(), "2025-04-01");
    EXPECT_EQ(o["dias"].toInt(-1), 5);
    EXPECT_EQ(o["alias"].toString(), "con\ttab");  // JSON carries the text as it is
    EXPECT_EQ(o["nombre"].toString(), c.nombre);
    EXPECT_EQ(o["emisor"].toString(), "AC; Ñ");
    EXPECT_EQ(o["sha256"].toString(), "ABCD");
    EXPECT_EQ(QJsonDocument::fromJson(ListaJson({})).array().size(), 0);
    EXPECT_TRUE(QJsonDocument::fromJson(ListaJson({})).isArray());
}

TEST(Caducidad, LaOrdenSaleConUnoSiCaducaAlgunoYConDosSiNoSabe) {
    QTemporaryDir dir;
    TManejadorRegistro registro(CrearRegistroSqlite(dir.path().toStdString() + "/r.db"), nullptr);
    const QDateTime ahora(QDate(2025, 3, 10), QTime(9, 0));
    AlmacenFijo almacen(
        std::vector<DatosCertificado>{Certificado("Veinte", ahora.date().addDays(20), "AA"),
                                      Certificado("Cuarenta", ahora.date().addDays(40), "BB")});

    // Without DÍAS, the setting's period: 30 by default, then what is stored.
    SalidaOrden s = OrdenCaducan(almacen, registro, std::nullopt, false, ahora);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_EQ(s.salida, "2025-03-30\t20\t\tVeinte\tAC Pruebas\tAA256\n");
    EXPECT_TRUE(s.mensajes.isEmpty()) << s.mensajes.join(u'\n').toStdString();
    ASSERT_TRUE(registro.ajustes().Fijar(ajuste::AvisoCaducidadDias, 10));
    s = OrdenCaducan(almacen, registro, std::nullopt, false, ahora);
    EXPECT_EQ(s.codigo, 0);
    EXPECT_TRUE(s.salida.isEmpty());
    s = OrdenCaducan(almacen, registro, QString("40"), true, ahora);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_EQ(QJsonDocument::fromJson(s.salida).array().size(), 2);

    // A damaged setting is told and the default used; the list still comes.
    ASSERT_TRUE(registro.EscribirValor(ajuste::AvisoCaducidadDias.clave, "mucho"));
    s = OrdenCaducan(almacen, registro, std::nullopt, false, ahora);
    EXPECT_EQ(s.codigo, 1);
    ASSERT_EQ(s.mensajes.size(), 1);
    EXPECT_TRUE(s.mensajes[0].contains("se usan 30 días")) << s.mensajes[0].toStdString();

    for (const char* malo : {"abc", "0", "366", "9999", "-5", ""}) {
        s = OrdenCaducan(almacen, registro, QString(malo), false, ahora);
        EXPECT_EQ(s.codigo, 2) << malo;
        EXPECT_TRUE(s.salida.isEmpty()) << malo;
        ASSERT_EQ(s.mensajes.size(), 1) << malo;
        EXPECT_EQ(s.mensajes[0], QString("marlevanta: --caducan: \"%1\" no es un número de días "
                                         "entre 1 y 365.")
                                     .arg(malo));
    }
    EXPECT_EQ(*DiasDeAviso("365"), 365);
    EXPECT_EQ(*DiasDeAviso(" 1 "), 1);

    // A store that cannot be read is an error with its own words, never an empty list.
    AlmacenFijo roto(Falla("No se puede abrir el almacén: sin permiso."));
    s = OrdenCaducan(roto, registro, std::nullopt, false, ahora);
    EXPECT_EQ(s.codigo, 2);
    EXPECT_TRUE(s.salida.isEmpty());
    EXPECT_EQ(s.mensajes, QStringList{"marlevanta: No se puede abrir el almacén: sin permiso."});
}

namespace {

struct Salida {
    int codigo = -1;
    QByteArray salida;
    QString error;
};

// The built program with no display, its HOME and settings where the test says.
Salida Caducan(const QString& home, const QStringList& argumentos) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) e.remove(v);
    e.insert("HOME", home);
    e.insert("XDG_CONFIG_HOME", home + "/.config");
    p.setProcessEnvironment(e);
    p.start(QCoreApplication::applicationDirPath() + "/marlevanta", argumentos);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(Caducidad, ElProgramaListaLaBaseNssRealSinPantalla) {
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    const QDate antes = QDate::currentDate();
    const std::string creados = prueba::Ejecutar(
        "bash " + prueba::Script("crear_nssdb_caducidad.sh") + " '" + h + "/.pki/nssdb' '" + h +
        "/trabajo' 'cinco:5:Cinco Días Ñandú' 'largo:400:Largo Plazo' 'medio:200:Medio Año' "
        "'viejo:-3:Ya Caducado'");
    std::map<QString, QStringList> huellas;  // nickname: SHA-1, SHA-256
    for (const QString& l : QString::fromStdString(creados).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList c = l.split(u'\t');
        ASSERT_EQ(c.size(), 3) << creados;
        huellas[c[0]] = {c[1], c[2]};
    }
    ASSERT_EQ(huellas.size(), 4u) << creados;
    {
        TManejadorRegistro registro(CrearRegistroSqlite(h + "/.config/Velquorin/marlevanta/"
                                                            "registry.db"),
                                    nullptr);
        ASSERT_TRUE(registro.EscribirAlias(huellas["cinco"][0].toStdString(), "Mi firma"));
    }
    // The day the program counts from is the local one; the script names the UTC one.
    const auto dias = [](const QString& fecha) {
        return QDate::currentDate().daysTo(QDate::fromString(fecha, Qt::ISODate));
    };

    const Salida s = Caducan(home.path(), {"--caducan"});
    EXPECT_EQ(s.codigo, 1) << s.error.toStdString();
    EXPECT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    const QStringList lineas = QString::fromUtf8(s.salida).split(u'\n');
    ASSERT_EQ(lineas.size(), 2) << s.salida.toStdString();
    const QStringList campos = lineas[0].split(u'\t');
    ASSERT_EQ(campos.size(), 6) << lineas[0].toStdString();
    const QDate fecha = QDate::fromString(campos[0], Qt::ISODate);
    ASSERT_TRUE(fecha.isValid()) << campos[0].toStdString();
    EXPECT_LE(std::abs(antes.daysTo(fecha) - 5), 1);
    EXPECT_EQ(campos[1].toLongLong(), dias(campos[0]));
    EXPECT_EQ(campos[2], "Mi firma");
    EXPECT_EQ(campos[3], "Cinco Días Ñandú");
    EXPECT_EQ(campos[4], "AC Caducidades");
    EXPECT_EQ(campos[5], huellas["cinco"][1]);

    // The longest period lists the one in 200 days too, after the nearer one; never the one in
    // 400 days.
    const Salida ambos = Caducan(home.path(), {"--caducan", "365"});
    EXPECT_EQ(ambos.codigo, 1);
    const QStringList dos = QString::fromUtf8(ambos.salida).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(dos.size(), 2) << ambos.salida.toStdString();
    EXPECT_TRUE(dos[0].endsWith(huellas["cinco"][1]));
    EXPECT_TRUE(dos[1].endsWith(huellas["medio"][1]));

    const Salida json = Caducan(home.path(), {"--json", "--caducan", "365"});
    EXPECT_EQ(json.codigo, 1);
    QJsonParseError error{};
    const QJsonArray array = QJsonDocument::fromJson(json.salida, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.salida.toStdString();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["alias"].toString(), "Mi firma");
    EXPECT_EQ(array[0].toObject()["nombre"].toString(), "Cinco Días Ñandú");
    EXPECT_EQ(array[1].toObject()["sha256"].toString(), huellas["medio"][1]);
    EXPECT_EQ(array[1].toObject()["dias"].toInt(), dias(array[1].toObject()["fecha"].toString()));

    // None within the period: status 0 and nothing written.
    const Salida ninguno = Caducan(home.path(), {"--caducan", "2"});
    EXPECT_EQ(ninguno.codigo, 0) << ninguno.error.toStdString();
    EXPECT_TRUE(ninguno.salida.isEmpty());

    for (const QString malo : {"abc", "0", "9999"}) {
        const Salida m = Caducan(home.path(), {"--caducan", malo});
        EXPECT_EQ(m.codigo, 2) << malo.toStdString();
        EXPECT_TRUE(m.salida.isEmpty());
        EXPECT_EQ(m.error, "marlevanta: --caducan: \"" + malo +
                               "\" no es un número de días entre 1 y 365.\n");
    }
    const Salida soloJson = Caducan(home.path(), {"--json"});
    EXPECT_EQ(soloJson.codigo, 2);
    EXPECT_TRUE(soloJson.error.contains("--json sólo se usa con --caducan")) << "";
    EXPECT_EQ(Caducan(home.path(), {"--caducan", "5", "6"}).codigo, 2);
}

TEST(Caducidad, ElProgramaSinAlmacenLegibleSaleConDos) {
    QTemporaryDir home;
    std::filesystem::create_directories(home.path().toStdString() + "/.pki");
    std::ofstream(home.path().toStdString() + "/.pki/nssdb") << "no es una carpeta";
    const Salida s = Caducan(home.path(), {"--caducan"});
    EXPECT_EQ(s.codigo, 2);
    EXPECT_TRUE(s.salida.isEmpty());
    EXPECT_TRUE(s.error.startsWith("marlevanta: No se puede abrir el almacén de certificados"))
        << s.error.toStdString();
    EXPECT_TRUE(s.error.contains("no es una carpeta")) << s.error.toStdString();

    // No database at all: nothing has been imported, so nothing expires.
    QTemporaryDir vacio;
    const Salida nada = Caducan(vacio.path(), {"--caducan"});
    EXPECT_EQ(nada.codigo, 0) << nada.error.toStdString();
    EXPECT_TRUE(nada.salida.isEmpty());
}
