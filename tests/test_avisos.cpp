// Desktop notices over a real D-Bus session bus of the test's own, with a notification service
// that records what it is asked to show.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVariantMap>
#include <fstream>

#include <QTemporaryDir>

#include "ayudantes.h"
#include "core/u_ajustes.h"
#include "core/u_avisoCaducidad.h"
#include "core/u_manejadorRegistro.h"
#include "platform/linux/u_avisosDbus.h"
#include "platform/linux/u_inicioSesionXdg.h"
#include "platform/linux/u_registroSqlite.h"
#include "programa_prueba.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_frmMenu.h"
#include "ui/u_rejillaCertificados.h"

using namespace marlevanta;

namespace {

// A bus of its own: dbus-daemon started for the test and ended with it.
class BusPrueba {
public:
    BusPrueba() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return;
        p_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!p_.waitForStarted(10000)) return;
        prueba::EsperarQue([this] { return p_.canReadLine(); }, 10000);
        direccion_ = QString::fromUtf8(p_.readLine()).trimmed();
    }
    ~BusPrueba() {
        p_.kill();
        p_.waitForFinished(10000);
    }
    const QString& Direccion() const { return direccion_; }

private:
    QProcess p_;
    QString direccion_;
};

// The freedesktop.org notification service, reduced to what the program uses.
class ServicioAvisos : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Aviso {
        QString app, resumen, cuerpo;
        QStringList acciones;
    };
    std::vector<Aviso> recibidos;
    QStringList capacidades{"actions", "body"};

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& resumen,
                const QString& cuerpo, const QStringList& acciones, const QVariantMap&, int) {
        recibidos.push_back({app, resumen, cuerpo, acciones});
        return static_cast<uint>(recibidos.size()) + 40;
    }
    QStringList GetCapabilities() { return capacidades; }
    void CloseNotification(uint) {}

signals:
    void ActionInvoked(uint id, const QString& accion);
};

// A session bus of the test's own with the notification service's object on it; Publicar puts
// the service's name on the bus, as a desktop does when it starts.
class ConEscritorio : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.Direccion().isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
        static int cuenta = 0;
        servidor = QDBusConnection::connectToBus(bus.Direccion(),
                                                 QStringLiteral("servidor-%1").arg(++cuenta));
        ASSERT_TRUE(servidor.isConnected());
        ASSERT_TRUE(servidor.registerObject(
            "/org/freedesktop/Notifications", &servicio,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    }
    bool Publicar() { return servidor.registerService("org.freedesktop.Notifications"); }

    BusPrueba bus;
    QDBusConnection servidor{QString()};
    ServicioAvisos servicio;
};

}  // namespace

TEST_F(ConEscritorio, ElServicioRecibeElAvisoYElClicLlegaDeVuelta) {
    auto avisos = CrearAvisosDbus(bus.Direccion().toStdString());
    // No service yet on the bus: the failure is told, nothing breaks.
    std::optional<Hecho> sinServicio;
    avisos->Mostrar("t", "c", [&](const Hecho& h) { sinServicio = h; }, {});
    ASSERT_TRUE(prueba::EsperarQue([&] { return sinServicio.has_value(); }));
    EXPECT_FALSE(*sinServicio);
    EXPECT_TRUE(servicio.recibidos.empty());

    ASSERT_TRUE(Publicar());
    std::optional<Hecho> mostrado;
    int pulsado = 0;
    avisos->Mostrar(
        "2 certificados caducan en los próximos 30 días", "El primero, «Mi DNI», el 01/04/2025.",
        [&](const Hecho& h) { mostrado = h; }, [&] { ++pulsado; });
    ASSERT_TRUE(prueba::EsperarQue([&] { return mostrado.has_value(); }));
    EXPECT_TRUE(*mostrado) << mostrado->motivo();
    ASSERT_EQ(servicio.recibidos.size(), 1u);
    EXPECT_EQ(servicio.recibidos[0].app, "Marlevanta");
    EXPECT_EQ(servicio.recibidos[0].resumen, "2 certificados caducan en los próximos 30 días");
    EXPECT_EQ(servicio.recibidos[0].cuerpo, "El primero, «Mi DNI», el 01/04/2025.");
    EXPECT_TRUE(servicio.recibidos[0].acciones.contains("default"));

    // Another notice's click, or another action, is not this one's.
    emit servicio.ActionInvoked(99, "default");
    emit servicio.ActionInvoked(41, "otra");
    // The click on the notice itself (id 41, the first the service gave).
    emit servicio.ActionInvoked(41, "default");
    ASSERT_TRUE(prueba::EsperarQue([&] { return pulsado > 0; }));
    EXPECT_EQ(pulsado, 1);
}

namespace {

CertificadoPorCaducar Cert(const QString& nombre, const QDate& hoy, int dias,
                           const QString& alias = {}) {
    return {hoy.addDays(dias), dias, alias, nombre, "AC", "SHA1-" + nombre, {}};
}

}  // namespace

// Once a day at most; each expired certificate named once; the nearest one by its alias.
TEST(AvisoCaducidad, UnoAlDiaYCadaCaducadoUnaSolaVez) {
    const QDate hoy(2025, 3, 10);
    const std::vector<CertificadoPorCaducar> lista{
        Cert("Viejo", hoy, -40),          Cert("Ayer", hoy, -1),  Cert("Hoy mismo", hoy, 0),
        Cert("Pronto", hoy, 3, "Mi DNI"), Cert("Luego", hoy, 12), Cert("Tarde", hoy, 29)};
    DecisionAviso d = DecidirAviso(lista, 30, hoy, {QDate(), {"SHA1-Viejo"}});
    ASSERT_TRUE(d.aviso);
    EXPECT_EQ(d.aviso->titulo, "3 certificados caducan en los próximos 30 días");
    EXPECT_EQ(d.aviso->texto,
              "El primero, «Mi DNI», el 13/03/2025.\nYa ha caducado «Hoy mismo», el "
              "10/03/2025 y 1 más.");
    EXPECT_EQ(d.estado.ultimoDia, hoy);
    EXPECT_EQ(QSet<QString>(d.estado.caducadosAvisados.begin(), d.estado.caducadosAvisados.end()),
              (QSet<QString>{"SHA1-Viejo", "SHA1-Ayer", "SHA1-Hoy mismo"}));

    // The same day: nothing, and nothing changes.
    EXPECT_FALSE(DecidirAviso(lista, 30, hoy, d.estado).aviso);
    // The next day: those about to expire again, the expired ones no more.
    const DecisionAviso manana = DecidirAviso(lista, 30, hoy.addDays(1), d.estado);
    ASSERT_TRUE(manana.aviso);
    EXPECT_EQ(manana.aviso->texto, "El primero, «Mi DNI», el 13/03/2025.");

    // Only a newly expired one, named by its name when it has no alias.
    const std::vector<CertificadoPorCaducar> solo{Cert("Ayer", hoy, -1)};
    d = DecidirAviso(solo, 7, hoy, {});
    ASSERT_TRUE(d.aviso);
    EXPECT_EQ(d.aviso->titulo, "1 certificado ha caducado");
    EXPECT_EQ(d.aviso->texto, "«Ayer», el 09/03/2025.");
    EXPECT_FALSE(DecidirAviso(solo, 7, hoy.addDays(1), d.estado).aviso);
    // A certificate no longer expired (renewed, removed) is forgotten.
    EXPECT_EQ(DecidirAviso({Cert("Pronto", hoy, 1)}, 1, hoy.addDays(2), d.estado)
                  .estado.caducadosAvisados,
              QStringList());
    EXPECT_EQ(DecidirAviso({Cert("Pronto", hoy, 1)}, 1, hoy, {}).aviso->titulo,
              "1 certificado caduca mañana");
    // Nothing to tell: no notice, the day not taken.
    d = DecidirAviso({}, 30, hoy, {QDate(2025, 3, 1), {}});
    EXPECT_FALSE(d.aviso);
    EXPECT_EQ(d.estado.ultimoDia, QDate(2025, 3, 1));
}

// The command against a real session bus: the notice the service gets, the click back, no
// second one that day (nor from another copy, which reads the same settings), and without a
// service nothing recorded, so the next check tries again.
TEST_F(ConEscritorio, ElEscritorioRecibeUnAvisoAlDiaYElClicLlegaALaVentana) {
    servicio.capacidades << "body-markup";
    QTemporaryDir dir;
    TManejadorRegistro registro(CrearRegistroSqlite(dir.path().toStdString() + "/r.db"), nullptr);
    const QDateTime ahora(QDate(2025, 3, 10), QTime(9, 0));
    int consultas = 0;
    const auto fuente = [&](const QDateTime& cuando, int dias) {
        ++consultas;
        EXPECT_EQ(dias, 30);
        return std::vector<CertificadoPorCaducar>{Cert("A & <b>B</b>", cuando.date(), 5),
                                                  Cert("Otro", cuando.date(), 20)};
    };
    auto avisos = CrearAvisosDbus(bus.Direccion().toStdString());
    AvisoCaducidad aviso(registro, *avisos, fuente, true);
    int pulsado = 0;
    QObject::connect(&aviso, &AvisoCaducidad::Pulsado, [&] { ++pulsado; });
    std::vector<std::pair<bool, QString>> fines;
    QObject::connect(&aviso, &AvisoCaducidad::Terminado,
                     [&](bool mostrado, const QString& e) { fines.emplace_back(mostrado, e); });

    // No service yet: told, nothing recorded.
    aviso.Comprobar(ahora);
    ASSERT_TRUE(prueba::EsperarQue([&] { return fines.size() == 1; }));
    EXPECT_FALSE(fines[0].first);
    EXPECT_FALSE(fines[0].second.isEmpty());
    EXPECT_EQ(registro.ajustes().Texto(ajuste::AvisoCaducidadUltimo), "");

    ASSERT_TRUE(Publicar());
    aviso.Comprobar(ahora);
    ASSERT_TRUE(prueba::EsperarQue([&] { return fines.size() == 2; }));
    EXPECT_TRUE(fines[1].first) << fines[1].second.toStdString();
    ASSERT_EQ(servicio.recibidos.size(), 1u);
    EXPECT_EQ(servicio.recibidos[0].resumen, "2 certificados caducan en los próximos 30 días");
    // The desktop reads markup: the name's own '<' and '&' are text.
    EXPECT_EQ(servicio.recibidos[0].cuerpo,
              "El primero, «A &amp; &lt;b&gt;B&lt;/b&gt;», el 15/03/2025.");
    emit servicio.ActionInvoked(41, "default");
    ASSERT_TRUE(prueba::EsperarQue([&] { return pulsado == 1; }));

    // Later that day, and from another copy of the program: no second notice.
    aviso.Comprobar(ahora.addSecs(3600));
    AvisoCaducidad otraCopia(registro, *avisos, fuente, true);
    QObject::connect(&otraCopia, &AvisoCaducidad::Terminado,
                     [&](bool mostrado, const QString& e) { fines.emplace_back(mostrado, e); });
    otraCopia.Comprobar(ahora.addSecs(7200));
    ASSERT_TRUE(prueba::EsperarQue([&] { return fines.size() == 4; }));
    EXPECT_FALSE(fines[2].first);
    EXPECT_FALSE(fines[3].first);
    // Switched off: not even the store is looked at.
    const int antes = consultas;
    ASSERT_TRUE(registro.ajustes().Fijar(ajuste::AvisosCaducidad, false));
    aviso.Comprobar(ahora.addDays(1));
    ASSERT_TRUE(prueba::EsperarQue([&] { return fines.size() == 5; }));
    EXPECT_EQ(consultas, antes);
    // The next day, on again: a desktop without actions gets a notice without them.
    ASSERT_TRUE(registro.ajustes().Fijar(ajuste::AvisosCaducidad, true));
    servicio.capacidades = QStringList{"body"};
    aviso.Comprobar(ahora.addDays(1));
    ASSERT_TRUE(prueba::EsperarQue([&] { return fines.size() == 6; }));
    EXPECT_TRUE(fines[5].first);
    ASSERT_EQ(servicio.recibidos.size(), 2u);
    EXPECT_TRUE(servicio.recibidos[1].acciones.isEmpty());
    EXPECT_EQ(servicio.recibidos[1].cuerpo, "El primero, «A & <b>B</b>», el 16/03/2025.");
    EXPECT_EQ(registro.ajustes().Texto(ajuste::AvisoCaducidadUltimo), "2025-03-11");
}

// The window checks once its certificates have loaded; a click on the notice brings it forward
// with the list narrowed to those about to expire.
TEST_F(ConEscritorio, ElClicEnElAvisoMuestraLosProximosACaducar) {
    ASSERT_TRUE(Publicar());

    prueba::ProgramaPrueba programa;
    const QDate hoy = QDate::currentDate();
    programa.plataforma.almacenCertificados = [hoy] {
        std::vector<DatosCertificado> v{prueba::Certificado("LEJANO", hoy.addDays(300), "AA"),
                                        prueba::Certificado("CERCANO", hoy.addDays(10), "BB"),
                                        prueba::Certificado("MEDIO", hoy.addDays(20), "CC")};
        for (auto& c : v) c.usosExtendidos = "clientAuth";
        return std::make_unique<prueba::AlmacenFijo>(v);
    };
    const std::string direccion = bus.Direccion().toStdString();
    programa.plataforma.avisosEscritorio = [direccion] { return CrearAvisosDbus(direccion); };
    TfrmMenu& ventana = programa.Abrir({});
    ASSERT_TRUE(prueba::EsperarQue([&] { return !servicio.recibidos.empty(); }))
        << "no notice after the certificates loaded";
    EXPECT_EQ(servicio.recibidos[0].resumen, "2 certificados caducan en los próximos 30 días");
    EXPECT_EQ(servicio.recibidos[0].cuerpo,
              "El primero, «CERCANO», el " + hoy.addDays(10).toString("dd/MM/yyyy") + ".");
    EXPECT_EQ(ventana.cdsCertificados().RecordCount(), 3);
    EXPECT_FALSE(ventana.chkProximos()->isChecked());
    emit servicio.ActionInvoked(41, "default");
    ASSERT_TRUE(prueba::EsperarQue([&] { return ventana.chkProximos()->isChecked(); }));
    ASSERT_TRUE(prueba::EsperarQue([&] { return ventana.cdsCertificados().RecordCount() == 2; }));
    programa.Cerrar();
}

// The session's start-up entry: a valid desktop entry that runs this program, whatever its path
// holds, made and removed from the options window.
TEST(AvisoCaducidad, LaEntradaDeInicioDeSesionEjecutaEsteProgramaYSeQuita) {
    EXPECT_EQ(ArgumentoExec("/usr/bin/marlevanta"), "\"/usr/bin/marlevanta\"");
    // '$' and '"' escaped for the Exec key, then each backslash doubled for the string value.
    EXPECT_EQ(ArgumentoExec("/opt/a b/$x\"y\\z 100%"), "\"/opt/a b/\\\\$x\\\\\"y\\\\\\\\z 100%%\"");

    QTemporaryDir dir;
    const std::string carpeta = dir.path().toStdString() + "/autostart";
    prueba::ProgramaPrueba programa;
    TfrmMenu& ventana = programa.Abrir();
    auto inicio = CrearInicioSesionXdg(carpeta);
    const std::string ruta = "/opt/Mis programas/marlevanta";
    {
        TfrmConfiguracion opciones(&ventana, *programa.registro, *ventana.grdCertificados(), {});
        opciones.UsarInicioSesion(inicio.get(), ruta);
        ASSERT_TRUE(opciones.chkAvisarInicioSesion()->isEnabled());
        EXPECT_FALSE(opciones.chkAvisarInicioSesion()->isChecked());
        EXPECT_EQ(opciones.edtDiasAviso()->value(), 30);
        opciones.chkAvisarInicioSesion()->setChecked(true);
        opciones.edtDiasAviso()->setValue(45);
        opciones.accept();
    }
    const std::string archivo = carpeta + "/es.velquorin.marlevanta-avisos.desktop";
    ASSERT_TRUE(inicio->Puesto());
    std::ifstream f(archivo);
    const std::string texto((std::istreambuf_iterator<char>(f)), {});
    EXPECT_NE(texto.find("\nExec=\"/opt/Mis programas/marlevanta\" --avisar-caducidad\n"),
              std::string::npos)
        << texto;
    EXPECT_EQ(programa.registro->ajustes().Entero(ajuste::AvisoCaducidadDias), 45);
    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        EXPECT_EQ(prueba::Ejecutar("desktop-file-validate '" + archivo + "' 2>&1"), "");
    }
    {
        TfrmConfiguracion opciones(&ventana, *programa.registro, *ventana.grdCertificados(), {});
        opciones.UsarInicioSesion(inicio.get(), ruta);
        EXPECT_TRUE(opciones.chkAvisarInicioSesion()->isChecked());
        opciones.chkAvisarInicioSesion()->setChecked(false);
        opciones.accept();
    }
    EXPECT_FALSE(std::filesystem::exists(archivo));
    // Without the program's path there is nothing to run: the switch stays greyed out.
    {
        TfrmConfiguracion opciones(&ventana, *programa.registro, *ventana.grdCertificados(), {});
        opciones.UsarInicioSesion(inicio.get(), "");
        EXPECT_FALSE(opciones.chkAvisarInicioSesion()->isEnabled());
        opciones.accept();
    }
    programa.Cerrar();
}

// What the session runs: the real program, without any display, notifies through the session
// bus once and ends; a second run the same day tells nothing.
TEST_F(ConEscritorio, AlIniciarLaSesionAvisaSinVentanaYTermina) {
    ASSERT_TRUE(Publicar());
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    prueba::Ejecutar("bash " + prueba::Script("crear_nssdb_caducidad.sh") + " '" + h +
                     "/.pki/nssdb' '" + h +
                     "/trabajo' 'cinco:5:Cinco Días Ñandú' "
                     "'largo:400:Largo Plazo' 'viejo:-3:Ya Caducado'");
    const auto ejecutar = [&](const QStringList& argumentos) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) e.remove(v);
        e.insert("HOME", home.path());
        e.insert("XDG_CONFIG_HOME", home.path() + "/.config");
        e.insert("DBUS_SESSION_BUS_ADDRESS", bus.Direccion());
        p.setProcessEnvironment(e);
        p.start(QCoreApplication::applicationDirPath() + "/marlevanta", argumentos);
        // The bus's service answers from this thread's events while the program waits for it.
        EXPECT_TRUE(prueba::EsperarQue([&] { return p.state() == QProcess::NotRunning; }, 60000));
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                              QString::fromUtf8(p.readAllStandardError()));
    };
    auto r = ejecutar({"--avisar-caducidad"});
    EXPECT_EQ(r.first, 0) << r.second.toStdString();
    ASSERT_EQ(servicio.recibidos.size(), 1u) << r.second.toStdString();
    EXPECT_EQ(servicio.recibidos[0].resumen, "1 certificado caduca en los próximos 30 días");
    // The script dates them at noon UTC, the same day here; between midnight here and midnight
    // UTC today's date differs, so the days are counted from UTC's.
    const QDate hoyUtc = QDateTime::currentDateTimeUtc().date();
    EXPECT_EQ(servicio.recibidos[0].cuerpo, "«Cinco Días Ñandú», el " +
                                                hoyUtc.addDays(5).toString("dd/MM/yyyy") +
                                                ".\nYa ha caducado «Ya Caducado», el " +
                                                hoyUtc.addDays(-3).toString("dd/MM/yyyy") + ".");
    // Nobody is left to answer a click.
    EXPECT_TRUE(servicio.recibidos[0].acciones.isEmpty());
    r = ejecutar({"--avisar-caducidad"});
    EXPECT_EQ(r.first, 0) << r.second.toStdString();
    EXPECT_EQ(servicio.recibidos.size(), 1u);
    r = ejecutar({"--avisar-caducidad", "--caducan"});
    EXPECT_EQ(r.first, 2);
    EXPECT_TRUE(r.second.contains("--avisar-caducidad no admite nada más"))
        << r.second.toStdString();
}

#include "test_avisos.moc"
