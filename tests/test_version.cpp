#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>
#include "platform/u_sistema.h"
#include "resultado_prueba.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "core/u_manejadorDatosVersion.h"
#include "platform/linux/u_archivoProgramaPosix.h"

using namespace marlevanta;

namespace {

TManejadorDatosVersion Con(std::optional<VersionArchivo> v, const std::string& ruta = "/nada") {
    return TManejadorDatosVersion(CrearArchivoPrograma(ruta, v));
}

}  // namespace

TEST(Version, NumerosYTextoDeLaVersion) {
    struct Caso {
        VersionArchivo v;
        const char* texto;
        qint32 comparable;
    };
    const Caso casos[] = {{{1, 0, 4, 0}, "1.0.4", 10004},
                          {{1, 0, 4, 7}, "1.0.4", 10004},
                          {{1, 0, 100, 0}, "1.0.100", 10100},
                          {{1, 1, 0, 0}, "1.1.0", 10100},
                          {{65535, 0, 0, 0}, "65535.0.0", 655350000}};
    for (const Caso& c : casos) {
        const auto m = Con(c.v);
        EXPECT_EQ(m.ObtenerVersion(), c.texto);
        const auto n = m.ObtenerVersionNumerica();
        ASSERT_TRUE(n);
        EXPECT_EQ(n->version, c.v[0]);
        EXPECT_EQ(n->subversion, c.v[1]);
        EXPECT_EQ(n->build, c.v[2]);
        EXPECT_EQ(VersionComparable(n->version, n->subversion, n->build), c.comparable);
    }
}

TEST(Version, SinRegistroDeVersion) {
    const auto m = Con(std::nullopt);
    EXPECT_FALSE(m.ObtenerVersion());
    EXPECT_FALSE(m.ObtenerVersionNumerica());
}

TEST(Version, FechaDeVersionEnHoraLocal) {
    QTemporaryDir dir;
    const QString ruta = dir.filePath("programa");
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // 00:30 on 3 February in Madrid is 23:30 on 2 February in UTC.
    const QDateTime local(QDate(2023, 2, 3), QTime(0, 30));
    ASSERT_EQ(local.toUTC().date(), QDate(2023, 2, 2));
    struct utimbuf t {};
    t.actime = t.modtime = static_cast<time_t>(local.toSecsSinceEpoch());
    ASSERT_EQ(utime(ruta.toLocal8Bit().constData(), &t), 0);
    // The month name is the system's: "febrero" where the tests run in Spanish (as CTest does).
    const QLocale sistema = QLocale::system();
    EXPECT_EQ(Con(VersionArchivo{1, 0, 4, 0}, ruta.toStdString()).ObtenerFechaVersion(),
              sistema.standaloneMonthName(2) + " 2023");
    if (sistema.language() == QLocale::Spanish) {
        EXPECT_EQ(sistema.standaloneMonthName(2), "febrero");
    }
    // Midnight of 1 January local time is 31 December in UTC.
    const QDateTime anoNuevo(QDate(2024, 1, 1), QTime(0, 10));
    t.actime = t.modtime = static_cast<time_t>(anoNuevo.toSecsSinceEpoch());
    ASSERT_EQ(utime(ruta.toLocal8Bit().constData(), &t), 0);
    EXPECT_EQ(Con(VersionArchivo{1, 0, 4, 0}, ruta.toStdString()).ObtenerFechaVersion(),
              sistema.standaloneMonthName(1) + " 2024");
    EXPECT_EQ(Con(VersionArchivo{1, 0, 4, 0}, dir.filePath("no-existe").toStdString())
                  .ObtenerFechaVersion()
                  .valor_o("<sin fecha>"),
              "<sin fecha>");
}

TEST(Version, ElProgramaEnEjecucionEsLa104) {
    TManejadorDatosVersion m(CrearArchivoPrograma());
    EXPECT_EQ(m.ObtenerVersion(), "1.0.4");
    const auto n = m.ObtenerVersionNumerica();
    ASSERT_TRUE(n);
    EXPECT_EQ(VersionComparable(n->version, n->subversion, n->build), 10004);
    // The month and year of this very program's last write, read here with stat().
    struct stat st {};
    ASSERT_EQ(stat("/proc/self/exe", &st), 0);
    const QDate escrito = QDateTime::fromSecsSinceEpoch(st.st_mtime).date();
    const QString esperado = QLocale::system().standaloneMonthName(escrito.month()) + " " +
                             QString::number(escrito.year());
    EXPECT_EQ(m.ObtenerFechaVersion().valor_o(""), esperado);
}
