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
#include "platform/linux/u_carpetaAyudantes.h"
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
    for (const char* n : {"pqrvr", "tqUpd.exe", "tqUnz.dll", "libmarlevanta_ayuda.so"}) {
        EXPECT_TRUE(fs::exists(fs::path(p.carpetaAyudantes) / n)) << n;
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

    const Salida pqrvr = Ejecutar(Binario("pqrvr"), {"--help"});
    EXPECT_EQ(pqrvr.codigo, 0);
    EXPECT_TRUE(pqrvr.texto.startsWith("Uso: pqrvr SID\n")) << pqrvr.texto.toStdString();
    EXPECT_TRUE(pqrvr.texto.contains("Programa de permisos de Marlevanta")) << "";
    EXPECT_TRUE(pqrvr.texto.contains("pkexec"));
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
