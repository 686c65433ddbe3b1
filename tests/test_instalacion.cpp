// The program as it is installed: where it finds its helpers, its command line, its icon, and the
// self-update that stands aside where the program cannot or must not replace its own files.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "platform/comun/u_firmaOpenssl.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_carpetaAyudantes.h"
#include "platform/linux/u_certificadosFirefox.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_perfilFirefox.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "servidor_api.h"
#include "ui/u_frmActualizadorInternet.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNadie = 65534;

QString Binario(const char* nombre) {
    return QCoreApplication::applicationDirPath() + "/" + nombre;
}

struct Salida {
    int codigo = -1;
    QString texto;  // standard output and error together
};

// Runs one of the built programs with no display at all.
Salida Ejecutar(const QString& programa, const QStringList& argumentos,
                const QStringList& quitar = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& v : quitar) e.remove(v);
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programa, argumentos);
    EXPECT_TRUE(p.waitForFinished(20000)) << programa.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

// How far two pictures of the same size are apart: the mean difference of their channels (0-255).
double Distancia(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888);
    if (x.size() != y.size()) return 255;
    double suma = 0;
    for (int f = 0; f < x.height(); ++f) {
        const uchar* p = x.constScanLine(f);
        const uchar* q = y.constScanLine(f);
        for (int i = 0; i < x.width() * 4; ++i) suma += std::abs(int(p[i]) - int(q[i]));
    }
    return suma / (x.width() * x.height() * 4.0);
}

}  // namespace

TEST(Instalacion, LosAyudantesEstanJuntoAlProgramaOEnSuCarpetaInstalada) {
    QTemporaryDir d;
    const fs::path raiz = d.path().toStdString();
    fs::create_directories(raiz / "usr/bin");
    // A build or a copied folder: beside the program.
    EXPECT_EQ(CarpetaAyudantes((raiz / "usr/bin").string(), "../libexec/marlevanta"),
              (raiz / "usr/bin").string());
    // Installed: the private folder, named without "..", as pkexec compares paths as written.
    fs::create_directories(raiz / "usr/libexec/marlevanta");
    EXPECT_EQ(CarpetaAyudantes((raiz / "usr/bin").string(), "../libexec/marlevanta"),
              fs::canonical(raiz / "usr/libexec/marlevanta").string());
    // A file of that name is no folder.
    fs::create_directories(raiz / "opt/bin");
    fs::create_directories(raiz / "opt/libexec");
    std::ofstream((raiz / "opt/libexec/marlevanta").string()) << "x";
    EXPECT_EQ(CarpetaAyudantes((raiz / "opt/bin").string(), "../libexec/marlevanta"),
              (raiz / "opt/bin").string());
    // This build's own programs: the helpers are found beside it, where the build put them.
    const Plataforma p = PlataformaDelSistema();
    EXPECT_EQ(QString::fromStdString(p.carpetaAyudantes), QCoreApplication::applicationDirPath());
    for (const char* n : {"pqrvr", "tqUpd.exe", "tqUnz.dll", "libmarlevanta_ayuda.so",
                          "libmarlevanta_http.so", "libmarlevanta_nss.so"}) {
        EXPECT_TRUE(fs::exists(fs::path(p.carpetaAyudantes) / n)) << n;
    }
}

// A program copied without its modules, or beside modules of another version, still starts: what
// start-up checks (a Firefox profile's lock) needs neither, and each action that does says which
// file is wrong and what to do. Checked in copies of this test program alone in a folder.
TEST(Instalacion, SinSusModulosCadaAccionDiceQueArchivoFalla) {
    const QString caso = qEnvironmentVariable("MARLEVANTA_PRUEBA_MODULOS");
    if (!caso.isEmpty()) {
        const auto falla = [&caso](const std::string& motivo, const char* modulo) {
            const std::string ruta = std::string("/") + modulo;
            const std::string esperado = ruta + (caso == "faltan" ? " (" : " es de otra versión");
            EXPECT_NE(motivo.find(esperado), std::string::npos) << motivo;
            EXPECT_NE(motivo.find("Vuelva a instalar Marlevanta."), std::string::npos) << motivo;
        };
        QTemporaryDir perfil;
        EXPECT_FALSE(FirefoxTienePerfil(perfil.path().toStdString()));
        const auto pagina = CrearClienteHttp({})->Get("http://127.0.0.1:1/");
        ASSERT_FALSE(pagina);
        falla(pagina.motivo(), "libmarlevanta_http.so");
        const auto firma =
            ComprobarFirmaPaquete(QCoreApplication::applicationFilePath().toStdString(), "x");
        ASSERT_FALSE(firma);
        falla(firma.motivo(), "libmarlevanta_http.so");
        const auto certificados = CrearAlmacenNss(perfil.path().toStdString())->LeerCertificados();
        ASSERT_FALSE(certificados);
        falla(certificados.motivo(), "libmarlevanta_nss.so");
        const auto importado = CrearImportadorNss(perfil.path().toStdString())->Importar("a", "");
        ASSERT_FALSE(importado);
        falla(importado.motivo(), "libmarlevanta_nss.so");
        const auto firefox = CrearCertificadosFirefoxNss(perfil.path().toStdString(), {})
                                 ->Leer(perfil.path().toStdString());
        ASSERT_FALSE(firefox);
        falla(firefox.motivo(), "libmarlevanta_nss.so");
        return;
    }
    const QString aqui = QCoreApplication::applicationDirPath();
    for (const QString c : {"faltan", "otra-version"}) {
        SCOPED_TRACE(c.toStdString());
        QTemporaryDir copia;
        const QString programa = copia.path() + "/marlevanta_tests";
        ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), programa));
        ASSERT_TRUE(QFile::setPermissions(programa, QFile::ReadOwner | QFile::ExeOwner));
        if (c == "otra-version") {
            for (const char* m : {"/libmarlevanta_http.so", "/libmarlevanta_nss.so"}) {
                ASSERT_TRUE(QFile::copy(aqui + "/libprueba_otra_version.so", copia.path() + m));
            }
        }
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("MARLEVANTA_PRUEBA_MODULOS", c);
        p.setProcessEnvironment(e);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(programa,
                {"--gtest_filter=Instalacion.SinSusModulosCadaAccionDiceQueArchivoFalla"});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString salida = QString::fromUtf8(p.readAll());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << salida.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << salida.toStdString();
        EXPECT_TRUE(salida.contains("[  PASSED  ] 1 test.")) << salida.toStdString();
    }
}

TEST(Instalacion, LineaDeOrdenesEnCastellanoYSinPantalla) {
    const QString programa = Binario("marlevanta");
    const Salida version = Ejecutar(programa, {"--version"});
    EXPECT_EQ(version.codigo, 0);
    EXPECT_EQ(version.texto, "marlevanta 1.0.4\n");
    EXPECT_EQ(Ejecutar(programa, {"-v"}).texto, "marlevanta 1.0.4\n");
    for (const QString& ayuda : {QString("--help"), QString("-h")}) {
        const Salida s = Ejecutar(programa, {"/demo", ayuda});
        EXPECT_EQ(s.codigo, 0) << s.texto.toStdString();
        EXPECT_TRUE(s.texto.startsWith("Uso: marlevanta [opciones] [/demo]\n"))
            << s.texto.toStdString();
        EXPECT_TRUE(s.texto.contains("  /demo ")) << s.texto.toStdString();
        EXPECT_TRUE(s.texto.contains("-v, --version  Muestra la versión y termina."));
    }
    // A mistyped option is an error, in Spanish, not a window; Qt's own options still pass.
    const Salida mala = Ejecutar(programa, {"-platform", "offscreen", "--vesion", "/demo"},
                                 {"DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_EQ(mala.codigo, 2);
    EXPECT_TRUE(
        mala.texto.contains("marlevanta: opción desconocida: --vesion\n"
                            "Pruebe \"marlevanta --help\" para ver las opciones."))
        << mala.texto.toStdString();

    // Without any display at all: still the Spanish message and status 2, never the toolkit's
    // abort for want of a display.
    for (const QStringList& argumentos :
         {QStringList{"--bogus"}, QStringList{"/demo", "-x"}, QStringList{"-style"}}) {
        const Salida sin = Ejecutar(programa, argumentos);
        EXPECT_EQ(sin.codigo, 2) << sin.texto.toStdString();
        EXPECT_TRUE(sin.texto.startsWith("marlevanta: ")) << sin.texto.toStdString();
        EXPECT_TRUE(sin.texto.endsWith("Pruebe \"marlevanta --help\" para ver las opciones.\n"))
            << sin.texto.toStdString();
        EXPECT_FALSE(sin.texto.contains("platform plugin")) << sin.texto.toStdString();
    }
    EXPECT_TRUE(Ejecutar(programa, {"--bogus"}).texto.contains("opción desconocida: --bogus"));

    const Salida pqrvr = Ejecutar(Binario("pqrvr"), {"--help"});
    EXPECT_EQ(pqrvr.codigo, 0);
    EXPECT_TRUE(pqrvr.texto.startsWith("Uso: pqrvr\n")) << pqrvr.texto.toStdString();
    EXPECT_TRUE(pqrvr.texto.contains("Programa de permisos de Marlevanta")) << "";
    EXPECT_TRUE(pqrvr.texto.contains("todos los usuarios del equipo")) << pqrvr.texto.toStdString();
}

TEST(Instalacion, ElIconoEsElLogoQuePintaElPrograma) {
    const QString iconos = QStringLiteral(MARLEVANTA_DATOS) + "/iconos";
    for (const int lado : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString archivo =
            QStringLiteral("%1/%2x%2/es.velquorin.marlevanta.png").arg(iconos).arg(lado);
        const QImage png(archivo);
        ASSERT_FALSE(png.isNull()) << archivo.toStdString();
        EXPECT_EQ(png.size(), QSize(lado, lado));
        EXPECT_LT(Distancia(png, LogoPrograma(lado).toImage()), 6.0) << lado;
    }
    // The PNG files are drawn from the SVG file: it must be the same picture too.
    const QString rsvg = QStandardPaths::findExecutable("rsvg-convert");
    if (rsvg.isEmpty()) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    QTemporaryDir d;
    const Salida s = Ejecutar(rsvg, {"-w", "96", "-h", "96", "-o", d.path() + "/logo.png",
                                     iconos + "/es.velquorin.marlevanta.svg"});
    ASSERT_EQ(s.codigo, 0) << s.texto.toStdString();
    EXPECT_LT(Distancia(QImage(d.path() + "/logo.png"), LogoPrograma(96).toImage()), 6.0);
    // Another picture is far away: the measure tells them apart.
    EXPECT_GT(Distancia(LogoNavegador(Qt::red, "C", 96).toImage(), LogoPrograma(96).toImage()),
              20.0);
}

TEST(Instalacion, TextosCuandoElProgramaNoSeActualizaASiMismo) {
    QTemporaryDir d;
    const QString programa = d.path() + "/programa";
    ASSERT_TRUE(QDir().mkpath(programa));
    ASSERT_TRUE(QDir().mkpath(d.path() + "/ayudantes"));
    EXPECT_TRUE(ActualizacionPropia(programa, programa, 10005));
    EXPECT_EQ(ActualizacionPropia(programa, d.path() + "/ayudantes", 10005).motivo(),
              "La versión 1.0.5 de Marlevanta se instala con el gestor de paquetes del sistema "
              "(por ejemplo, con \"sudo apt update && sudo apt upgrade\"): este programa no se "
              "actualiza a sí mismo.");
    EXPECT_EQ(ActualizacionPropia(programa, d.path() + "/ayudantes", 0).motivo(),
              "Las versiones nuevas de Marlevanta se instalan con el gestor de paquetes del "
              "sistema (por ejemplo, con \"sudo apt update && sudo apt upgrade\"): este programa "
              "no se actualiza a sí mismo.");
    // The same folder written another way is still the same folder.
    EXPECT_TRUE(ActualizacionPropia(programa, programa + "/../programa/", 0));
    EXPECT_FALSE(ActualizacionPropia("", "", 0));
}

namespace {

// The main window over a web API that offers version 1.0.5, with the program's file in
// `carpeta` and its helpers in `ayudantes`; the user wants updates offered at start-up.
class ActualizacionDelSistema : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
        cache_ = std::make_unique<prueba::Entorno>("XDG_CACHE_HOME",
                                                   dir_.path().toStdString() + "/cache");
    }
    void TearDown() override {
        if (programa_) programa_->Cerrar();
        prueba::OlvidarDialogos();
    }

    TfrmMenu& Abrir(const QString& api, const QString& carpeta, const QString& ayudantes) {
        {
            TManejadorRegistro a(CrearRegistroUsuario(), [] { return TamanoPantalla{1920, 1080}; });
            EXPECT_TRUE(a.IniciarValoresSiNoExisten());
            EXPECT_TRUE(a.EscribirValor("ApiHost", api.toStdString()));
            EXPECT_TRUE(a.EscribirValor("PanelComprobarActualizaciones", "1"));
        }
        programa_ = std::make_unique<prueba::ProgramaPrueba>();
        programa_->plataforma.carpetaPrograma = carpeta.toStdString();
        programa_->plataforma.rutaPrograma = (carpeta + "/marlevanta").toStdString();
        programa_->plataforma.carpetaAyudantes = ayudantes.toStdString();
        // Every message of the start-up is noted and closed (a question answered "No").
        prueba::AlAbrirseDialogoDe<DialogoMensaje>(
            [this](DialogoMensaje* m) {
                alArrancar_ << m->Texto();
                m->close();
                prueba::AlAbrirseDialogoDe<DialogoMensaje>(
                    [this](DialogoMensaje* m2) {
                        alArrancar_ << m2->Texto();
                        m2->close();
                    },
                    500);
            },
            500);
        TfrmMenu& w = programa_->Abrir();
        programa_->EsperarFondo();
        QTest::qWait(300);
        prueba::OlvidarDialogos();
        return w;
    }

    struct Respuesta {
        int ventanas = 0;           // modal windows that opened
        QString mensaje;            // the message shown, "" for none
        bool actualizador = false;  // the updater window opened
    };
    // What the modal windows that open are, each closed at once.
    static void Anotar(Respuesta& r, int intentos = 200) {
        prueba::AlAbrirseDialogo(
            [&r](QWidget* d) {
                ++r.ventanas;
                if (auto* m = qobject_cast<DialogoMensaje*>(d)) r.mensaje = m->Texto();
                if (qobject_cast<TfrmActualizadorInternet*>(d)) r.actualizador = true;
                d->close();
                Anotar(r, 30);
            },
            intentos);
    }
    Respuesta ClicEnLaEtiqueta(TfrmMenu& w) {
        Respuesta r;
        Anotar(r);
        QMouseEvent suelto(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                           Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.lblUpdate(), &suelto);
        QTest::qWait(100);
        prueba::OlvidarDialogos();
        return r;
    }
    Respuesta ComprobarAhora(TfrmMenu& w) {
        Respuesta r;
        prueba::AlAbrirseDialogoDe<TfrmConfiguracion>([&r](TfrmConfiguracion* o) {
            Anotar(r);
            o->btnComprobarAhora()->click();
            o->close();
        });
        QTest::keyClick(w.grdCertificados(), Qt::Key_F12);
        QTest::qWait(100);
        prueba::OlvidarDialogos();
        return r;
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_, cache_;
    std::unique_ptr<prueba::ProgramaPrueba> programa_;
    QStringList alArrancar_;
};

}  // namespace

TEST_F(ActualizacionDelSistema, ConLosAyudantesInstaladosAparteNoSeOfreceNiSeDescarga) {
    prueba::ServidorApi s({"--respuesta", "/version", "10005\\nMejoras"}, false);
    const QString carpeta = dir_.path() + "/bin";
    const QString ayudantes = dir_.path() + "/libexec/marlevanta";
    ASSERT_TRUE(QDir().mkpath(carpeta));
    ASSERT_TRUE(QDir().mkpath(ayudantes));
    TfrmMenu& w = Abrir(s.Base(), carpeta, ayudantes);
    EXPECT_EQ(alArrancar_, QStringList{});  // not asked: the answer could only be "no"
    EXPECT_EQ(w.lblUpdate()->text(), "Disponible la versión 1.0.5");

    // One click, one answer (the label's events reach the window once).
    const Respuesta etiqueta = ClicEnLaEtiqueta(w);
    EXPECT_EQ(etiqueta.ventanas, 1);
    EXPECT_FALSE(etiqueta.actualizador);
    EXPECT_TRUE(etiqueta.mensaje.startsWith(
        "La versión 1.0.5 de Marlevanta se instala con el gestor de paquetes del sistema"))
        << etiqueta.mensaje.toStdString();
    const Respuesta opciones = ComprobarAhora(w);
    EXPECT_EQ(opciones.ventanas, 1);
    EXPECT_FALSE(opciones.actualizador);
    EXPECT_EQ(opciones.mensaje, etiqueta.mensaje);
    // The web API was asked for the version once, at start-up, and never for a package.
    EXPECT_EQ(s.Registro().count("/version/"), 1) << s.Registro().toStdString();
    EXPECT_FALSE(s.Registro().contains("/updatefile")) << s.Registro().toStdString();
}

TEST_F(ActualizacionDelSistema, EnUnaCarpetaQueElUsuarioNoPuedeEscribirNoSeOfreceNiSeDescarga) {
    if (getuid() == 0) {
        prueba::ServidorApi s({"--respuesta", "/version", "10005\\nMejoras"}, false);
        QProcessEnvironment e;
        e.insert("MARLEVANTA_PRUEBA_API", s.Base());
        prueba::RepetirComoNadie(e);
        EXPECT_EQ(s.Registro().count("/version/"), 1) << s.Registro().toStdString();
        EXPECT_FALSE(s.Registro().contains("/updatefile")) << s.Registro().toStdString();
        return;
    }
    const char* api = std::getenv("MARLEVANTA_PRUEBA_API");
    std::unique_ptr<prueba::ServidorApi> propio;
    if (!api)
        propio = std::make_unique<prueba::ServidorApi>(
            QStringList{"--respuesta", "/version", "10005\\nMejoras"}, false);
    // The program and its helpers together, as in a copied folder, but the folder is read-only.
    const QString carpeta = dir_.path() + "/programa";
    ASSERT_TRUE(QDir().mkpath(carpeta));
    ASSERT_EQ(chmod(carpeta.toLocal8Bit().constData(), 0555), 0);
    TfrmMenu& w = Abrir(api ? QString(api) : propio->Base(), carpeta, carpeta);
    EXPECT_EQ(alArrancar_, QStringList{});
    EXPECT_EQ(w.lblUpdate()->text(), "Disponible la versión 1.0.5");
    const Respuesta r = ClicEnLaEtiqueta(w);
    EXPECT_EQ(r.ventanas, 1);
    EXPECT_FALSE(r.actualizador);
    EXPECT_EQ(r.mensaje,
              "Marlevanta no puede actualizarse a sí mismo: su usuario no puede escribir en la "
              "carpeta del programa (\"" +
                  carpeta +
                  "\"). Instale la versión 1.0.5 con el gestor de paquetes del sistema o pida al "
                  "administrador del equipo que la instale.");
    EXPECT_FALSE(ComprobarAhora(w).actualizador);
    chmod(carpeta.toLocal8Bit().constData(), 0755);
    if (propio) {
        EXPECT_FALSE(propio->Registro().contains("/updatefile"));
    }
}

TEST_F(ActualizacionDelSistema, EnSuCarpetaYConPermisoSeOfreceYSeAbreElActualizador) {
    prueba::ServidorApi s({"--respuesta", "/version", "10005\\nMejoras"}, false);
    TfrmMenu& w = Abrir(s.Base(), dir_.path(), dir_.path());
    ASSERT_EQ(alArrancar_.size(), 1);
    EXPECT_TRUE(alArrancar_[0].startsWith("Existe la versión 1.0.5"))
        << alArrancar_[0].toStdString();
    const Respuesta r = ClicEnLaEtiqueta(w);
    EXPECT_EQ(r.ventanas, 1);
    EXPECT_TRUE(r.actualizador);
    EXPECT_EQ(r.mensaje, "");
}

TEST_F(ActualizacionDelSistema, ElFalloDeLaUltimaActualizacionSeDiceUnaVezAlArrancar) {
    const QString privada = dir_.path() + "/cache/marlevanta";
    ASSERT_TRUE(QDir().mkpath(privada));
    {
        QFile nota(privada + "/" + kResultadoActualizador);
        ASSERT_TRUE(nota.open(QIODevice::WriteOnly));
        nota.write("no se puede escribir en la carpeta del programa /opt/m (Permission denied)");
    }
    prueba::ServidorApi s({"--respuesta", "/version", "10005"}, false);
    Abrir(s.Base(), dir_.path(), dir_.path());
    // Told why, and not asked again at once: the same attempt would fail the same way.
    EXPECT_EQ(alArrancar_,
              QStringList{"No se ha podido instalar la actualización de Marlevanta: no se puede "
                          "escribir en la carpeta del programa /opt/m (Permission denied). El "
                          "programa sigue en la versión que tenía."});
    EXPECT_FALSE(QFile::exists(privada + "/" + kResultadoActualizador));
    programa_->Cerrar();
    alArrancar_.clear();
    Abrir(s.Base(), dir_.path(), dir_.path());
    ASSERT_EQ(alArrancar_.size(), 1);
    EXPECT_TRUE(alArrancar_[0].startsWith("Existe la versión 1.0.5"))
        << alArrancar_[0].toStdString();
}
