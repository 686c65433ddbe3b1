#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zip.h>
#include "resultado_prueba.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/comun/u_firmaOpenssl.h"
#include "platform/u_sistema.h"
#include "servidor_api.h"
#include "ui/u_frmActualizadorInternet.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNadie = 65534;

std::string Leer(const fs::path& p) {
    std::ifstream f(p);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A zip package made with libzip, AES-256 with `clave` when it is not empty.
void Empaquetar(const std::string& ruta,
                const std::vector<std::pair<std::string, std::string>>& entradas,
                const std::string& clave) {
    int error = 0;
    zip_t* z = zip_open(ruta.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& [nombre, contenido] : entradas) {
        zip_source_t* s = zip_source_buffer(z, contenido.data(), contenido.size(), 0);
        const zip_int64_t i = zip_file_add(z, nombre.c_str(), s, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(i, 0);
        if (!clave.empty()) {
            ASSERT_EQ(zip_file_set_encryption(z, static_cast<zip_uint64_t>(i), ZIP_EM_AES_256,
                                              clave.c_str()),
                      0);
        }
    }
    ASSERT_EQ(zip_close(z), 0);
}

// Signs `paquete` as a release is signed, with the tests' key: writes paquete + ".sig".
void Firmar(const std::string& paquete, const std::string& version = "10005") {
    const std::string pruebas = MARLEVANTA_TEST_SCRIPTS;
    prueba::Ejecutar("LC_ALL=C bash '" + pruebas + "/../tools/firmar-paquete' '" + pruebas +
                     "/clave-PRUEBA-actualizaciones.pem' '" + paquete + "' " + version + " '" +
                     pruebas + "/clave-PRUEBA-actualizaciones.pub.pem' >/dev/null");
}

// An entry of a package with the Unix type and modes a zip made on Unix brings.
struct EntradaUnix {
    std::string nombre;
    std::string contenido;  // a link's target for a link
    unsigned modo;          // S_IFREG | 0644, S_IFLNK | 0777, ...
};

void EmpaquetarUnix(const std::string& ruta, const std::vector<EntradaUnix>& entradas) {
    int error = 0;
    zip_t* z = zip_open(ruta.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& e : entradas) {
        zip_source_t* s = zip_source_buffer(z, e.contenido.data(), e.contenido.size(), 0);
        const zip_int64_t i = zip_file_add(z, e.nombre.c_str(), s, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(i, 0);
        ASSERT_EQ(zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0,
                                                   ZIP_OPSYS_UNIX, e.modo << 16),
                  0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

// Everything a folder holds: each path with its type, modes and content (a link's target).
std::map<std::string, std::string> Huella(const fs::path& carpeta) {
    std::map<std::string, std::string> h;
    for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
        struct stat st {};
        lstat(e.path().c_str(), &st);
        std::string valor = std::to_string(st.st_mode) + ":";
        if (S_ISLNK(st.st_mode)) {
            valor += fs::read_symlink(e.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            const std::string contenido = Leer(e.path());
            valor += QCryptographicHash::hash(QByteArray::fromStdString(contenido),
                                              QCryptographicHash::Sha256)
                         .toHex()
                         .toStdString();
        }
        h[e.path().lexically_relative(carpeta).string()] = valor;
    }
    return h;
}

}  // namespace

TEST(Actualizador, Textos) {
    EXPECT_EQ(VersionPuntos(10005), "1.0.5");
    EXPECT_EQ(VersionPuntos(10100), "1.1.0");
    EXPECT_EQ(PreguntaActualizacion(10005, ""),
              "Existe la versión 1.0.5\r\r¿Desea actualizar Marlevanta?");
    EXPECT_EQ(PreguntaActualizacion(10005, "A\rB\r"),
              "Existe la versión 1.0.5 que contempla los siguientes cambios: \r\rA\rB\r\r\r¿Desea "
              "actualizar "
              "Marlevanta?");
    EXPECT_EQ(TextoDescarga(1234567, 1234567), "Descargando 1.205 de 1.205 Kbytes");
    EXPECT_EQ(TextoDescarga(0, 0), "Descargando 0 de 0 Kbytes");
    EXPECT_EQ(TextoDescarga(1023, 2000000000), "Descargando 0 de 1.953.125 Kbytes");
    EXPECT_EQ(VersionParaMostrar(""), "0.0.0");
    EXPECT_EQ(VersionParaMostrar("1.0.4"), "1.0.4");
    EXPECT_EQ(VersionParaMostrar("1.x.4"), "1.0.4");
    EXPECT_EQ(VersionParaMostrar("7"), "7.7.7");  // no "." left: the whole text each time
    EXPECT_EQ(RutaPaquete("/x/y"), "/x/y/tmpMarlevanta-BuscadordecertificadosSSL.zip");
    EXPECT_EQ(ArgumentosTraspaso("/t/p.zip", "/a/m"),
              (QStringList{"class(TForm)", "/t/p.zip", "", "/a/m"}));
}

TEST(Actualizador, SustitucionDeLosArchivosDelActualizador) {
    QTemporaryDir d;
    const fs::path c = d.path().toStdString();
    const auto poner = [&](const char* nombre, const char* contenido) {
        std::ofstream(c / nombre) << contenido;
    };
    QStringList mensajes;

    poner("tqupdater.exe", "viejo");
    poner("tqUpd.exe", "1");
    poner("tqUpd.exe.act", "2");
    poner("tqUnz.dll", "1");
    poner("tqUnz.dll.act", "2");
    poner("tqUnz.dll.bak", "resto");
    EXPECT_EQ(SustituirFicherosActualizador(d.path()), QStringList{});
    EXPECT_EQ(Leer(c / "tqUpd.exe"), "2");
    EXPECT_EQ(Leer(c / "tqUnz.dll"), "2");
    for (const char* n :
         {"tqupdater.exe", "tqUpd.exe.act", "tqUpd.exe.bak", "tqUnz.dll.act", "tqUnz.dll.bak"}) {
        EXPECT_FALSE(fs::exists(c / n)) << n;
    }

    // The updater is missing: the new copy takes its place.
    fs::remove(c / "tqUpd.exe");
    poner("tqUpd.exe.act", "3");
    EXPECT_EQ(SustituirFicherosActualizador(d.path()), QStringList{});
    EXPECT_EQ(Leer(c / "tqUpd.exe"), "3");
    EXPECT_FALSE(fs::exists(c / "tqUpd.exe.act"));

    // An earlier version cut short between its two moves left the updater only under its backup
    // name: it gets its name back instead of being deleted.
    fs::rename(c / "tqUpd.exe", c / "tqUpd.exe.bak");
    EXPECT_EQ(SustituirFicherosActualizador(d.path()), QStringList{});
    EXPECT_EQ(Leer(c / "tqUpd.exe"), "3");
    EXPECT_FALSE(fs::exists(c / "tqUpd.exe.bak"));

    // The new library cannot take the name (a folder holds it): nothing changes, and the user is
    // told.
    fs::remove(c / "tqUnz.dll");
    fs::create_directories(c / "tqUnz.dll" / "ocupado");
    poner("tqUnz.dll.act", "4");
    mensajes = SustituirFicherosActualizador(d.path());
    EXPECT_TRUE(fs::exists(c / "tqUnz.dll" / "ocupado"));
    EXPECT_EQ(Leer(c / "tqUnz.dll.act"), "4");
    EXPECT_EQ(Leer(c / "tqUpd.exe"), "3");
    ASSERT_EQ(mensajes.size(), 1);
    // Each system's user is told what stops a write there, and nothing of the other.
    const QString carpeta = QDir(d.path()).absolutePath();
    EXPECT_EQ(mensajes[0],
              "No se ha podido actualizar correctamente el fichero \"tqUnz.dll\". Es posible que "
              "su usuario no pueda escribir en la carpeta \"" +
                  carpeta + "\". Compruebe sus permisos (por ejemplo, chmod u+w \"" + carpeta +
                  "\") y vuelva a ejecutar la aplicación para que se actualice correctamente.");
    EXPECT_FALSE(mensajes[0].contains("windows", Qt::CaseInsensitive));
    mensajes = SustituirFicherosActualizador(d.path(), Sistema::Windows);
    ASSERT_EQ(mensajes.size(), 1);
    EXPECT_EQ(mensajes[0],
              "No se ha podido actualizar correctamente el fichero \"tqUnz.dll\". Es posible que "
              "su usuario de Windows no tenga permisos de administrador. Vuelva a ejecutar la "
              "aplicación con un usuario administrador de Windows para que se actualice "
              "correctamente.");
    EXPECT_FALSE(mensajes[0].contains("chmod"));
}

TEST(Actualizador, LaCarpetaDelPaqueteEsDelUsuarioYDeNadieMas) {
    QTemporaryDir d;
    prueba::Entorno cache("XDG_CACHE_HOME", d.path().toStdString());
    const auto carpeta = CarpetaPrivada();
    ASSERT_TRUE(carpeta) << carpeta.motivo();
    EXPECT_EQ(*carpeta, d.path() + "/marlevanta");
    EXPECT_EQ(fs::status(carpeta->toStdString()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    // Loosened by hand: tightened again.
    fs::permissions(carpeta->toStdString(), fs::perms::all);
    ASSERT_TRUE(CarpetaPrivada());
    EXPECT_EQ(fs::status(carpeta->toStdString()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    // A link planted in its place is refused, not followed.
    fs::remove(carpeta->toStdString());
    fs::create_directory(d.path().toStdString() + "/otra");
    fs::create_directory_symlink(d.path().toStdString() + "/otra", carpeta->toStdString());
    const auto enlace = CarpetaPrivada();
    EXPECT_FALSE(enlace);
    EXPECT_NE(enlace.motivo().find("enlace"), std::string::npos) << enlace.motivo();
}

class VentanaActualizador : public testing::Test {
protected:
    void SetUp() override {
        cache_ = std::make_unique<prueba::Entorno>("XDG_CACHE_HOME",
                                                   dir_.path().toStdString() + "/cache");
        carpeta_ = dir_.path() + "/programa";
        fs::create_directories(carpeta_.toStdString());
        // The external updater stand-in records its arguments and the password left for it.
        const std::string tq = carpeta_.toStdString() + "/tqUpd.exe";
        std::ofstream(tq) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" << dir_.path().toStdString()
                          << "/traspaso\"\ncat \"$(dirname \"$2\")/tqUpd.clave\" > \""
                          << dir_.path().toStdString() << "/clave\"\n";
        fs::permissions(tq, fs::perms::owner_all);
    }
    void TearDown() override { prueba::OlvidarDialogos(); }

    std::unique_ptr<TManejadorApi> Api(prueba::ServidorApi& s) {
        ca_.reset();
        ca_ = std::make_unique<prueba::Entorno>("SSL_CERT_FILE", s.Ca());
        return std::make_unique<TManejadorApi>(&CrearClienteHttp, s.Base());
    }
    QString Paquete() const { return RutaPaquete(dir_.path() + "/cache/marlevanta"); }
    // One attempt in the window, waited for to its end; Responder answers the dialogs it shows.
    void Intento(TManejadorApi& api,
                 const std::function<void(TfrmActualizadorInternet&)>& durante = {}) {
        SegundoPlano fondo;
        Actualizacion actualizacion(
            {api, CrearIniciadorProcesos(), carpeta_, carpeta_ + "/marlevanta", 10004,
             [this] { ++fines_; }, &ComprobarFirmaPaquete},
            fondo);
        TfrmActualizadorInternet w(nullptr, actualizacion, comunes_, "1.0.4");
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(w.edtNombre()->text(), kTituloAplicacion);
            EXPECT_EQ(w.edtVersion()->text(), "1.0.4");
            EXPECT_EQ(w.edtDestino()->text(), carpeta_);
            EXPECT_EQ(w.btnCerrar()->text(), "C&errar");
            if (durante) durante(w);
            w.btnActualizar()->click();
            EXPECT_FALSE(w.btnActualizar()->isEnabled());
            for (int i = 0; i < 3000 && w.Intentando(); ++i) QTest::qWait(10);
            estado_ = w.lblEstado()->text();
            // All of it on show: wrapped lines must not fall outside the label.
            estadoCabe_ =
                w.lblEstado()->heightForWidth(w.lblEstado()->width()) <= w.lblEstado()->height();
            progreso_ = w.pgbDescarga()->value();
            EXPECT_TRUE(w.btnActualizar()->isEnabled());
            EXPECT_EQ(w.btnCerrar()->property("tag").toInt(), 0);
            w.close();
        });
        w.exec();
    }
    void Responder(std::function<void(DialogoMensaje*)> accion) {
        prueba::AlAbrirseDialogoDe<DialogoMensaje>(std::move(accion));
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> cache_, ca_;
    TmanejadorFuncionesComunes comunes_;
    QString carpeta_;
    QString estado_;
    bool estadoCabe_ = false;
    int progreso_ = 0;
    int fines_ = 0;
};

TEST_F(VentanaActualizador, SinVersionNuevaLoDiceYNoDescarga) {
    prueba::ServidorApi s({"--respuesta", "/version", "10004"});
    auto api = Api(s);
    QString mensaje;
    Responder([&](DialogoMensaje* m) {
        mensaje = m->Texto();
        m->close();
    });
    Intento(*api);
    EXPECT_EQ(mensaje, "El programa no necesita actualización ya que tiene la última versión");
    EXPECT_EQ(estado_, "");
    EXPECT_EQ(fines_, 0);
}

TEST_F(VentanaActualizador, DescargaCompletaYTraspaso) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", std::string(1234567, 'd')}}, "s3cr3to");
    prueba::ServidorApi s({"--respuesta", "/version", "10005\\nMejoras", "--respuesta",
                           "/updatefile", "{base}/paquete\\ns3cr3to", "--paquete",
                           QString::fromStdString(origen)});
    auto api = Api(s);
    QString pregunta, enFoco;
    Responder([&](DialogoMensaje* m) {
        pregunta = m->Texto();
        enFoco = m->BotonPorDefecto()->text();
        m->Boton(mbYes)->click();
    });
    Intento(*api);
    EXPECT_EQ(pregunta, PreguntaActualizacion(10005, "Mejoras\r").replace(u'\r', u'\n'));
    EXPECT_EQ(enFoco, "&No");  // No is the default in the window
    EXPECT_EQ(estado_, "Descarga completa");
    EXPECT_EQ(progreso_, 100);
    EXPECT_EQ(fs::file_size(Paquete().toStdString()), fs::file_size(origen));
    EXPECT_EQ(fines_, 1);
    // The stand-in updater writes its arguments as it runs, beside this test.
    prueba::EsperarQue([&] { return Leer(dir_.path().toStdString() + "/clave") == "s3cr3to"; });
    EXPECT_EQ(Leer(dir_.path().toStdString() + "/traspaso"),
              "class(TForm)\n" + Paquete().toStdString() + "\n\n" + carpeta_.toStdString() +
                  "/marlevanta\n");
    EXPECT_EQ(Leer(dir_.path().toStdString() + "/clave"), "s3cr3to");
}

TEST_F(VentanaActualizador, CancelarYDespuesCompletar) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", std::string(500000, 'd')}}, "");
    prueba::ServidorApi s({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                           "{base}/paquete", "--paquete", QString::fromStdString(origen), "--lento",
                           "0.05"});
    auto api = Api(s);
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    QString textoDurante;
    Intento(*api, [&](TfrmActualizadorInternet& w) {
        QTimer::singleShot(600, [&] {
            textoDurante = w.lblEstado()->text();
            EXPECT_EQ(w.btnCerrar()->text(), "Canc&elar");
            QTest::keyClick(&w, Qt::Key_Escape);
        });
    });
    EXPECT_TRUE(textoDurante.startsWith("Descargando ")) << textoDurante.toStdString();
    EXPECT_EQ(estado_, "Descarga cancelada");
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));
    EXPECT_EQ(fines_, 0);
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api);
    EXPECT_EQ(estado_, "Descarga completa");
    EXPECT_EQ(fines_, 1);
}

TEST_F(VentanaActualizador, ErroresDeDescarga) {
    prueba::ServidorApi s(
        {"--respuesta", "/version", "10005", "--respuesta", "/updatefile", "{base}/nada"});
    auto api = Api(s);
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api);
    // "Not Found" in capitals is not "404 not found": the status line itself is shown.
    EXPECT_EQ(estado_, "Error: HTTP/1.1 404 Not Found");
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));

    // A server of the program's own list that cannot be found.
    prueba::ServidorApi sinHost({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                                 "https://nohay.invalid/p.zip"});
    auto api2 = Api(sinHost);
    api2->servidoresPaquetes << "nohay.invalid";
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api2);
    EXPECT_EQ(estado_, "Error: Servidor no disponible o no encontrado en este momento");
    EXPECT_TRUE(estadoCabe_);

    // No updater beside the program: the user is told and the package stays.
    fs::remove(carpeta_.toStdString() + "/tqUpd.exe");
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"a", "b"}}, "");
    prueba::ServidorApi bueno({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                               "{base}/paquete", "--paquete", QString::fromStdString(origen)});
    auto api3 = Api(bueno);
    QStringList mensajes;
    Responder([&](DialogoMensaje* m) {
        m->Boton(mbYes)->click();
        Responder([&](DialogoMensaje* m2) {
            mensajes << m2->Texto();
            m2->close();
        });
    });
    Intento(*api3);
    EXPECT_EQ(mensajes, QStringList{"No se puede ejecutar el programa actualizador."});
    EXPECT_TRUE(fs::exists(Paquete().toStdString()));
    EXPECT_EQ(fines_, 0);
}

class ActualizadorExterno : public testing::Test {
protected:
    void SetUp() override {
        const fs::path d = dir_.path().toStdString();
        carpeta_ = d / "programa";
        fs::create_directories(carpeta_);
        for (const char* n : {"tqUpd.exe", "tqUnz.dll"}) {
            fs::copy_file(fs::path(QCoreApplication::applicationDirPath().toStdString()) / n,
                          carpeta_ / n);
        }
        // The program: when started again it leaves a mark.
        std::ofstream(carpeta_ / "marlevanta")
            << "#!/bin/sh\necho otra vez > \"" << (d / "reiniciado").string() << "\"\n";
        fs::permissions(carpeta_ / "marlevanta", fs::perms::owner_all);
        std::ofstream(carpeta_ / "datos.txt") << "viejo";
        paquete_ = (d / "paquete.zip").string();
        fs::create_directories(d / "tmp");
    }
    // The package, signed unless `firmar_` says otherwise, handed over as the program does it,
    // with `clave` in its file beside it. `antes` runs in the updater's process before it starts
    // (e.g. to become another user); `entrada` is what its standard input holds.
    int Actualizar(const std::string& clave, std::function<void()> antes = {},
                   const QByteArray& entrada = {}, int espera = 30000) {
        if (firmar_) Firmar(paquete_);
        if (!clave.empty()) {
            EXPECT_TRUE(DejarClaveTraspaso(
                QString::fromStdString(fs::path(paquete_).parent_path().string()),
                QString::fromStdString(clave)));
        }
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        // The temporary folder every user shares, not the user's own one with the package.
        e.insert("TMPDIR",
                 QString::fromStdString((fs::path(dir_.path().toStdString()) / "tmp").string()));
        p.setProcessEnvironment(e);
        if (antes) p.setChildProcessModifier(antes);
        p.start(QString::fromStdString((carpeta_ / "tqUpd.exe").string()),
                {"class(TForm)", QString::fromStdString(paquete_),
                 QString::fromStdString(claveEnLaLinea_),
                 QString::fromStdString((carpeta_ / "marlevanta").string())});
        p.write(entrada);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(espera));
        return p.exitCode();
    }
    // The program the updater starts again leaves its mark on its own time.
    std::string Reiniciado() {
        const fs::path marca = fs::path(dir_.path().toStdString()) / "reiniciado";
        prueba::EsperarQue([&] { return Leer(marca).ends_with('\n'); });
        return Leer(marca);
    }
    // What the updater left for the program's next start, beside the package.
    std::string Nota() { return Leer(fs::path(paquete_).parent_path() / "tqUpd.resultado"); }

    QTemporaryDir dir_;
    fs::path carpeta_;
    std::string paquete_;
    bool firmar_ = true;
    std::string claveEnLaLinea_;  // the third argument, empty as the program leaves it
};

TEST_F(ActualizadorExterno, InstalaElPaqueteYArrancaElPrograma) {
    std::ofstream(fs::path(paquete_).parent_path() / "tqUpd.resultado") << "un fallo anterior";
    Empaquetar(paquete_,
               {{"datos.txt", "nuevo"}, {"sub/otro.txt", "x"}, {"tqUpd.exe", "actualizador nuevo"}},
               "clave buena");
    EXPECT_EQ(Actualizar("clave buena"), 0);
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "nuevo");
    EXPECT_EQ(Leer(carpeta_ / "sub/otro.txt"), "x");
    EXPECT_EQ(Leer(carpeta_ / "tqUpd.exe.act"), "actualizador nuevo");
    EXPECT_NE(Leer(carpeta_ / "tqUpd.exe"), "actualizador nuevo");
    EXPECT_EQ(Reiniciado(), "otra vez\n");
    EXPECT_NE(Leer(fs::path(dir_.path().toStdString()) / "tqUpd.log").find("paquete instalado"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(paquete_));
    EXPECT_FALSE(fs::exists(paquete_ + ".sig"));
    // Nothing to tell at the next start: an older failure is not told again.
    EXPECT_FALSE(fs::exists(fs::path(paquete_).parent_path() / "tqUpd.resultado"));
    // The file replaced is kept until the new version has started; then it goes.
    const QString carpeta = QString::fromStdString(carpeta_.string());
    std::vector<std::string> copias;
    for (const auto& e : fs::directory_iterator(carpeta_ / ".tqUpd-preparacion" / "copias")) {
        copias.push_back(Leer(e.path()));
    }
    EXPECT_EQ(copias, std::vector<std::string>{"viejo"});
    EXPECT_EQ(RecuperarActualizacion(carpeta), QStringList{});  // nothing was cut short
    EXPECT_TRUE(fs::exists(carpeta_ / ".tqUpd-preparacion"));
    EXPECT_TRUE(ConfirmarActualizacion(carpeta));
    EXPECT_FALSE(fs::exists(carpeta_ / ".tqUpd-preparacion"));
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "nuevo");
}

TEST_F(ActualizadorExterno, ClaveMalaOPaqueteRotoNoCambianNada) {
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "clave buena");
    EXPECT_NE(Actualizar("clave mala"), 0);
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "viejo");
    EXPECT_EQ(Reiniciado(), "otra vez\n");  // the program comes back all the same
    EXPECT_EQ(Nota(), "no se puede leer datos.txt: la clave del paquete no es la correcta");
    std::ofstream(paquete_) << "esto no es un zip";
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "viejo");
    EXPECT_EQ(Nota(), "no se puede abrir el paquete " + paquete_ + ": no es un archivo zip");
    for (const auto& e : fs::directory_iterator(carpeta_)) {
        EXPECT_EQ(e.path().filename().string().find(".tqUpd"), std::string::npos);
    }
}

TEST_F(ActualizadorExterno, NingunaEntradaSaleDeLaCarpeta) {
    const fs::path fuera = fs::path(dir_.path().toStdString()) / "fuera";
    fs::create_directories(fuera);
    fs::create_directory_symlink(fuera, carpeta_ / "enlace");
    for (const char* malo :
         {"../escapado.txt", "/tmp/absoluto.txt", "enlace/dentro.txt", "a/../../b.txt"}) {
        Empaquetar(paquete_, {{"datos.txt", "nuevo"}, {malo, "mal"}}, "");
        EXPECT_NE(Actualizar(""), 0) << malo;
        EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "viejo") << malo;
    }
    EXPECT_FALSE(fs::exists(fs::path(dir_.path().toStdString()) / "escapado.txt"));
    EXPECT_FALSE(fs::exists(fuera / "dentro.txt"));
    EXPECT_FALSE(fs::exists("/tmp/absoluto.txt"));
}

TEST_F(ActualizadorExterno, UnaCarpetaQueElUsuarioNoPuedeEscribirSeDiceAlArrancar) {
    // The user's own folder for the package, the note and the program's mark; the program's
    // folder is not theirs (root runs the updater as an unprivileged user for that).
    const fs::path d = dir_.path().toStdString();
    const fs::path privada = d / "privada";
    fs::create_directories(privada);
    paquete_ = (privada / "paquete.zip").string();
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "");
    std::ofstream(carpeta_ / "marlevanta")
        << "#!/bin/sh\necho otra vez > \"" << (privada / "reiniciado").string() << "\"\n";
    std::function<void()> antes;
    if (getuid() == 0) {
        fs::permissions(d, fs::perms::owner_all | fs::perms::others_exec);
        fs::permissions(carpeta_ / "marlevanta", fs::perms::all & ~fs::perms::others_write);
        for (const fs::path& p : {privada, fs::path(paquete_)}) {
            ASSERT_EQ(chown(p.c_str(), kNadie, kNadie), 0);
        }
        antes = [] {
            if (setgroups(0, nullptr) != 0 || setgid(kNadie) != 0 || setuid(kNadie) != 0) _exit(97);
        };
    } else {
        fs::permissions(carpeta_, fs::perms::owner_read | fs::perms::owner_exec);
    }
    EXPECT_NE(Actualizar("", antes), 0);
    fs::permissions(carpeta_, fs::perms::owner_all);
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "viejo");
    EXPECT_EQ(Leer(privada / "reiniciado"), "otra vez\n");
    // The reason names the folder, not "No error"; the program's next start tells it once.
    EXPECT_EQ(Nota(), "no se puede escribir en la carpeta del programa " + carpeta_.string() +
                          " (permiso denegado)");
    EXPECT_EQ(LeerResultadoActualizador(QString::fromStdString(privada.string())),
              QString::fromStdString("No se ha podido instalar la actualización de Marlevanta: "
                                     "no se puede escribir en la carpeta del programa " +
                                     carpeta_.string() +
                                     " (permiso denegado). El programa sigue en la versión que "
                                     "tenía."));
    EXPECT_EQ(LeerResultadoActualizador(QString::fromStdString(privada.string())), "");
}

TEST_F(ActualizadorExterno, ConElProgramaAunAbiertoNoInstalaNiArrancaOtraCopia) {
    // The running program: a copy of the shell under the program's name, so that the system
    // names that file as the process's program. Started again without arguments, it would run
    // what the updater's standard input holds, and leave a mark.
    fs::remove(carpeta_ / "marlevanta");
    fs::copy_file("/bin/sh", carpeta_ / "marlevanta");
    QProcess abierto;
    abierto.start(QString::fromStdString((carpeta_ / "marlevanta").string()), {"-c", "sleep 100"});
    ASSERT_TRUE(abierto.waitForStarted());
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "");
    const std::string marca = (fs::path(dir_.path().toStdString()) / "reiniciado").string();
    EXPECT_NE(Actualizar("", {}, QByteArray("echo otra vez > '") + marca.c_str() + "'\n", 90000),
              0);
    EXPECT_EQ(abierto.state(), QProcess::Running);
    abierto.kill();
    abierto.waitForFinished();
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "viejo");
    EXPECT_FALSE(fs::exists(marca));
    EXPECT_EQ(Nota(), "el programa seguía abierto al cabo de un minuto");
    EXPECT_TRUE(fs::exists(paquete_));  // kept for another attempt
}

TEST_F(VentanaActualizador, ActualizacionCompletaDeExtremoAExtremo) {
    // The program's folder with the real external updater and its library beside the program.
    const fs::path c = carpeta_.toStdString();
    fs::remove(c / "tqUpd.exe");
    for (const char* n : {"tqUpd.exe", "tqUnz.dll"}) {
        fs::copy_file(fs::path(QCoreApplication::applicationDirPath().toStdString()) / n, c / n);
    }
    const fs::path marca = fs::path(dir_.path().toStdString()) / "reiniciado";
    std::ofstream(c / "marlevanta") << "#!/bin/sh\necho otra vez > '" << marca.string() << "'\n";
    fs::permissions(c / "marlevanta", fs::perms::owner_all);
    std::ofstream(c / "datos.txt") << "viejo";
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "nuevo"}, {"tqUnz.dll", "libreria nueva"}},
               "clave del paquete");
    prueba::ServidorApi s({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                           "{base}/paquete\\nclave del paquete", "--paquete",
                           QString::fromStdString(origen)});
    auto api = Api(s);
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api);
    EXPECT_EQ(estado_, "Descarga completa");
    EXPECT_EQ(fines_, 1);
    prueba::EsperarQue([&] { return Leer(marca).ends_with('\n'); });
    EXPECT_EQ(Leer(marca), "otra vez\n");
    EXPECT_EQ(Leer(c / "datos.txt"), "nuevo");
    EXPECT_EQ(Leer(c / "tqUnz.dll.act"), "libreria nueva");
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));
}

TEST_F(ActualizadorExterno, ElRegistroNoSigueEnlacesYLaClaveNoSeVeEnLaLineaDeOrdenes) {
    const fs::path d = dir_.path().toStdString();
    // Links planted where a log may go, towards a file of the user's.
    const fs::path victima = d / "victima";
    std::ofstream(victima) << "original\n";
    fs::create_symlink(victima, d / "tqUpd.log");
    fs::create_symlink(victima, d / "tmp" / "tqUpd.log");
    // The password in its file beside the package, left by the program itself.
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "clave secreta");
    Firmar(paquete_);
    ASSERT_TRUE(DejarClaveTraspaso(dir_.path(), "clave secreta"));
    // The program still open, so that the updater waits and can be looked at.
    fs::remove(carpeta_ / "marlevanta");
    fs::copy_file("/bin/sh", carpeta_ / "marlevanta");
    QProcess abierto;
    abierto.start(QString::fromStdString((carpeta_ / "marlevanta").string()), {"-c", "sleep 100"});
    ASSERT_TRUE(abierto.waitForStarted());
    QProcess tq;
    tq.start(QString::fromStdString((carpeta_ / "tqUpd.exe").string()),
             {"class(TForm)", QString::fromStdString(paquete_), "",
              QString::fromStdString((carpeta_ / "marlevanta").string())});
    ASSERT_TRUE(tq.waitForStarted());
    tq.closeWriteChannel();
    // Looked at once the updater runs as itself, not as the process that started it.
    std::string linea;
    prueba::EsperarQue([&] {
        linea = Leer("/proc/" + std::to_string(tq.processId()) + "/cmdline");
        std::replace(linea.begin(), linea.end(), '\0', ' ');
        return linea.find("tqUpd.exe") != std::string::npos;
    });
    EXPECT_NE(linea.find(paquete_), std::string::npos) << linea;
    EXPECT_EQ(linea.find("secreta"), std::string::npos) << linea;
    abierto.kill();
    abierto.waitForFinished();
    EXPECT_TRUE(tq.waitForFinished(30000));
    EXPECT_EQ(tq.exitCode(), 0) << Nota();
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "nuevo");
    EXPECT_FALSE(fs::exists(d / "tqUpd.clave"));  // read once, then gone
    EXPECT_EQ(Leer(victima), "original\n");
    EXPECT_TRUE(fs::is_symlink(d / "tqUpd.log"));

    // A password file that others may read is not taken.
    Empaquetar(paquete_, {{"datos.txt", "otro"}}, "clave secreta");
    ASSERT_TRUE(DejarClaveTraspaso(dir_.path(), "clave secreta"));
    fs::permissions(d / "tqUpd.clave", fs::perms::others_read, fs::perm_options::add);
    fs::remove(carpeta_ / "marlevanta");
    std::ofstream(carpeta_ / "marlevanta") << "#!/bin/sh\n";
    fs::permissions(carpeta_ / "marlevanta", fs::perms::owner_all);
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Leer(carpeta_ / "datos.txt"), "nuevo");
    EXPECT_EQ(Nota(),
              "no se puede leer datos.txt: el paquete pide una clave y no se ha dado ninguna");
    EXPECT_EQ(Leer(victima), "original\n");
}

TEST_F(ActualizadorExterno, UnPaqueteRechazadoDejaLaCarpetaComoEstaba) {
    fs::create_directories(carpeta_ / "plugins" / "uno");
    std::ofstream(carpeta_ / "plugins" / "uno" / "a.so") << "plugin";
    fs::create_directories(carpeta_ / "sub");
    std::ofstream(carpeta_ / "sub" / "b.txt") << "b viejo";
    const auto antes = Huella(carpeta_);
    const std::string lejos = (fs::path(dir_.path().toStdString()) / "lejos").string();

    // A file where a folder stands, after entries that would have gone in first.
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}, {"nueva/x.txt", "x"}, {"plugins", "archivo"}},
               "");
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Nota(), "no se puede reemplazar plugins: es una carpeta");
    EXPECT_EQ(Huella(carpeta_), antes);

    // A link in the package.
    EmpaquetarUnix(paquete_,
                   {{"datos.txt", "nuevo", S_IFREG | 0644}, {"enlace", lejos, S_IFLNK | 0777}});
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Nota(), "entrada que es un enlace: enlace");
    EXPECT_EQ(Huella(carpeta_), antes);

    // A replacement that fails half-way, once two changes are made: both are undone. The
    // folder "sub" cannot be written; root hands the updater to an unprivileged user for that.
    std::function<void()> otro;
    if (getuid() == 0) {
        prueba::Ejecutar("chown -R 65534:65534 '" + dir_.path().toStdString() + "'");
        otro = [] {
            if (setgroups(0, nullptr) != 0 || setgid(kNadie) != 0 || setuid(kNadie) != 0) _exit(97);
        };
    }
    fs::permissions(carpeta_ / "sub", fs::perms::owner_read | fs::perms::owner_exec);
    const auto soloLectura = Huella(carpeta_);
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}, {"nueva/x.txt", "x"}, {"sub/b.txt", "b nuevo"}},
               "");
    if (getuid() == 0) prueba::Ejecutar("chown 65534:65534 '" + paquete_ + "'");
    EXPECT_NE(Actualizar("", otro), 0);
    EXPECT_EQ(Nota(), "no se puede reemplazar sub/b.txt: permiso denegado");
    EXPECT_EQ(Huella(carpeta_), soloLectura);
    fs::permissions(carpeta_ / "sub", fs::perms(0755));
    EXPECT_EQ(Huella(carpeta_), antes);
    EXPECT_FALSE(fs::exists(lejos));
}

TEST_F(ActualizadorExterno, LosPermisosDelPaqueteNuncaAbrenNadaAOtros) {
    EmpaquetarUnix(paquete_, {{"todos", "a", S_IFREG | 0777},
                              {"setuid", "b", S_IFREG | 04755},
                              {"setgid", "c", S_IFREG | 02775},
                              {"escribible", "d", S_IFREG | 0666},
                              {"privado", "e", S_IFREG | 0700},
                              {"datos.txt", "f", S_IFREG | 0644},
                              {"grupo", "g", S_IFREG | 0070}});
    EXPECT_EQ(Actualizar(""), 0) << Nota();
    const std::map<std::string, fs::perms> esperado = {
        {"todos", fs::perms(0755)},   {"setuid", fs::perms(0755)},
        {"setgid", fs::perms(0755)},  {"escribible", fs::perms(0644)},
        {"privado", fs::perms(0700)}, {"datos.txt", fs::perms(0644)},
        {"grupo", fs::perms(0640)}};
    for (const auto& [nombre, modo] : esperado) {
        struct stat st {};
        ASSERT_EQ(lstat((carpeta_ / nombre).c_str(), &st), 0) << nombre;
        EXPECT_EQ(st.st_mode & 07777, static_cast<unsigned>(modo)) << nombre;
    }
}

TEST_F(ActualizadorExterno, UnaBombaDeCerosSeRechazaAntesDeLlenarElDisco) {
    const auto antes = Huella(carpeta_);
    // 64 MiB of zeros deflate to some 64 KiB: 1000 times the package.
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}, {"ceros", std::string(64 << 20, '\0')}}, "");
    ASSERT_LT(fs::file_size(paquete_), 1u << 20);
    EXPECT_NE(Actualizar(""), 0);
    const std::string nota = Nota();
    EXPECT_EQ(nota.rfind("el paquete ocupa más de ", 0), 0u) << nota;
    EXPECT_NE(nota.find("descomprimido"), std::string::npos) << nota;
    EXPECT_EQ(Huella(carpeta_), antes);
    EXPECT_EQ(Reiniciado(), "otra vez\n");
}

TEST_F(VentanaActualizador, ConLaApiEnHttpsElPaqueteNoSeBajaEnClaro) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "cambiado por el camino"}}, "");
    prueba::ServidorApi claro({"--paquete", QString::fromStdString(origen)}, false);
    prueba::ServidorApi s({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                           claro.Base() + "/paquete"});
    auto api = Api(s);
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api);
    EXPECT_EQ(estado_,
              "Error: El paquete no se ofrece por una conexión segura (https) y no se descarga");
    EXPECT_EQ(claro.Registro(), "");  // not even asked
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));
    EXPECT_EQ(fines_, 0);
}

TEST_F(VentanaActualizador, UnServidorQueGoteaNoRetieneLaVentanaYSeCortaDiciendoPorQue) {
    // Two bytes a second: never a stall, so only the total limit (shortened here) ends it.
    prueba::ServidorApi s({"--goteo", "/version"});
    auto api = Api(s);
    api->segundosPregunta = 2;
    QElapsedTimer reloj;
    reloj.start();
    bool atendida = false;
    // Runs as soon as the window's loop gets back control after the click: while the question
    // is under way if it is asked elsewhere, only after it if it held the window.
    Intento(*api, [&](TfrmActualizadorInternet& w) {
        QTimer::singleShot(0, &w, [&] { atendida = w.Intentando(); });
    });
    EXPECT_TRUE(atendida);  // the window kept answering meanwhile
    EXPECT_EQ(estado_, "Error: El servidor no ha respondido a tiempo; inténtelo más tarde");
    // By the shortened limit: the usual one is thirty seconds, and the trickle never ends.
    EXPECT_GE(reloj.elapsed(), 1900);
    EXPECT_LT(reloj.elapsed(), 25000);

    // Cancel ends the question at once, without waiting for the limit, and says nothing.
    api->segundosPregunta = 30;
    reloj.restart();
    Intento(*api, [&](TfrmActualizadorInternet& w) {
        QTimer::singleShot(500, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
    });
    EXPECT_LT(reloj.elapsed(), 25000);  // not the thirty seconds of the limit
    EXPECT_EQ(estado_, "");

    // The package trickling in: the download's stall limit (shortened here) ends it.
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "nuevo"}}, "");
    prueba::ServidorApi lento({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                               "{base}/paquete", "--paquete", QString::fromStdString(origen),
                               "--goteo", "/paquete"});
    auto api2 = Api(lento);
    api2->descargaLenta = {100, 2};
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    reloj.restart();
    Intento(*api2);
    EXPECT_EQ(estado_, "Error: El servidor no ha respondido a tiempo; inténtelo más tarde");
    EXPECT_LT(reloj.elapsed(), 25000);  // the trickle itself would last 14 hours
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));
    EXPECT_EQ(fines_, 0);
}

TEST_F(VentanaActualizador, UnPaqueteSinFirmaValidaNoSeTraspasa) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "nuevo"}}, "");
    const std::vector<std::pair<QStringList, QString>> casos = {
        {{"--firma", "ninguna"}, "no hay firma"},
        {{"--firma", "mala"}, "el paquete no es el que se firmó"},
        {{"--firma", "ajena"}, "la firma es de otra clave"},
        // An older signed package served for the version offered.
        {{"--version-firmada", "10003"}, "está firmado para la versión 1.0.3, no para la 1.0.5"}};
    for (const auto& [argumentos, motivo] : casos) {
        prueba::ServidorApi s(QStringList{"--respuesta", "/version", "10005", "--respuesta",
                                          "/updatefile", "{base}/paquete", "--paquete",
                                          QString::fromStdString(origen)} +
                              argumentos);
        auto api = Api(s);
        Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
        Intento(*api);
        EXPECT_TRUE(estado_.startsWith("Error: El paquete de actualización "))
            << estado_.toStdString();
        EXPECT_TRUE(estado_.contains(motivo)) << estado_.toStdString();
        EXPECT_TRUE(estado_.contains("no se ha instalado nada")) << estado_.toStdString();
        EXPECT_TRUE(estadoCabe_);
        EXPECT_FALSE(fs::exists(Paquete().toStdString()));
        EXPECT_FALSE(fs::exists(Paquete().toStdString() + ".sig"));
        EXPECT_FALSE(fs::exists(dir_.path().toStdString() + "/traspaso"));
        EXPECT_EQ(fines_, 0);
    }
}

TEST_F(VentanaActualizador, SoloPorHttpsYDesdeElServidorDeLaApi) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "nuevo"}}, "");
    // Another server, trusted for TLS, but not the API's.
    prueba::ServidorApi otro({"--paquete", QString::fromStdString(origen)});
    prueba::ServidorApi s({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                           otro.Base() + "/paquete"});
    auto api = Api(s);
    std::ofstream(s.Ca(), std::ios::app) << Leer(otro.Ca());
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(*api);
    EXPECT_EQ(estado_, "Error: El paquete de actualización se ofrece desde \"" +
                           QUrl(otro.Base()).authority() +
                           "\", que no es un servidor de Velquorin; no se ha descargado nada.");
    EXPECT_EQ(otro.Registro(), "");  // not even asked
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));

    // The API itself in clear: nothing comes through it, not even from its own server.
    prueba::ServidorApi claro({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                               "{base}/paquete", "--paquete", QString::fromStdString(origen)},
                              false);
    TManejadorApi enClaro(&CrearClienteHttp, claro.Base());
    Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
    Intento(enClaro);
    EXPECT_TRUE(estado_.startsWith("Error: La dirección de ApiHost (\"" + claro.Base() +
                                   "\") no usa una conexión segura"))
        << estado_.toStdString();
    EXPECT_TRUE(estadoCabe_);
    EXPECT_FALSE(claro.Registro().contains("/paquete")) << claro.Registro().toStdString();
    EXPECT_FALSE(fs::exists(Paquete().toStdString()));
    EXPECT_EQ(fines_, 0);
}

TEST_F(VentanaActualizador, UnaDescargaSinFinOQueAnunciaDemasiadoSeCortaYNoDejaNada) {
    const std::string origen = dir_.path().toStdString() + "/paquete.zip";
    Empaquetar(origen, {{"datos.txt", "nuevo"}}, "");
    for (const QStringList& servidor :
         {QStringList{"--sin-fin", "/paquete"},
          QStringList{"--anuncia", "/paquete", QString::number(10ull << 30)}}) {
        prueba::ServidorApi s(QStringList{"--respuesta", "/version", "10005", "--respuesta",
                                          "/updatefile", "{base}/paquete", "--paquete",
                                          QString::fromStdString(origen)} +
                              servidor);
        auto api = Api(s);
        api->maximoDescarga = 1 << 20;
        Responder([&](DialogoMensaje* m) { m->Boton(mbYes)->click(); });
        Intento(*api);
        EXPECT_EQ(estado_,
                  "Error: El paquete de actualización ocupa más de 1 MiB, lo máximo que se "
                  "descarga; se ha detenido la descarga y no se ha guardado nada.")
            << servidor.join(' ').toStdString();
        EXPECT_TRUE(estadoCabe_);
        EXPECT_FALSE(fs::exists(Paquete().toStdString()));
        EXPECT_FALSE(s.Registro().contains("/paquete.sig"));
        EXPECT_EQ(fines_, 0);
    }
}

TEST_F(ActualizadorExterno, SinFirmaValidaOConLaClaveEnLaLineaDeOrdenesNoDesempaqueta) {
    const auto antes = Huella(carpeta_);
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "");
    firmar_ = false;
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Nota(),
              "el paquete de actualización no tiene una firma válida de Velquorin (no hay firma); "
              "no se ha instalado nada");
    EXPECT_EQ(Huella(carpeta_), antes);
    EXPECT_EQ(Reiniciado(), "otra vez\n");  // the program comes back as it was

    // Changed after it was signed.
    Firmar(paquete_);
    Empaquetar(paquete_, {{"datos.txt", "cambiado"}}, "");
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Nota(),
              "el paquete de actualización no tiene una firma válida de Velquorin (el paquete no "
              "es el que se firmó); no se ha instalado nada");
    EXPECT_EQ(Huella(carpeta_), antes);

    // A password on the command line, where every user sees it, is refused.
    Empaquetar(paquete_, {{"datos.txt", "nuevo"}}, "clave");
    firmar_ = true;
    claveEnLaLinea_ = "clave";
    EXPECT_NE(Actualizar(""), 0);
    EXPECT_EQ(Nota(),
              "tqUpd.exe no admite la clave del paquete en la línea de órdenes, donde la ve "
              "cualquier usuario del equipo; vuelva a actualizar desde el programa");
    EXPECT_EQ(Huella(carpeta_), antes);
}

namespace {

// One version of a program folder: a program that starts only beside the library and the plugin
// of its own version, and a data file in a subfolder.
std::vector<EntradaUnix> Version(int n) {
    const std::string v = std::to_string(n);
    std::vector<EntradaUnix> e = {
        {"marlevanta",
         "#!/bin/sh\nd=$(dirname \"$0\")\n[ \"$(cat \"$d/libnucleo.so\")\" = \"nucleo " + v +
             "\" ] || exit 3\n" + (n > 1 ? "[ -f \"$d/plugins/nuevo.so\" ] || exit 4\n" : "") +
             "echo " + v + "\n",
         S_IFREG | 0755},
        {"libnucleo.so", "nucleo " + v, S_IFREG | 0644},
        {"datos/ayuda.txt", "ayuda " + v, S_IFREG | 0644}};
    if (n > 1) e.push_back({"plugins/nuevo.so", "plugin " + v, S_IFREG | 0644});
    return e;
}

class CarpetaPrograma {
public:
    CarpetaPrograma() {
        for (const char* n : {"tqUpd.exe", "tqUnz.dll"}) {
            fs::copy_file(fs::path(QCoreApplication::applicationDirPath().toStdString()) / n,
                          carpeta / n);
        }
        for (const auto& e : Version(1)) {
            fs::create_directories((carpeta / e.nombre).parent_path());
            std::ofstream(carpeta / e.nombre) << e.contenido;
            fs::permissions(carpeta / e.nombre, fs::perms(e.modo & 0777));
        }
        EmpaquetarUnix(paquete, Version(2));
        Firmar(paquete);
    }
    // The updater as the program starts it; `paso` > 0 makes it kill itself right after that
    // change to the folder. Gives how it ended, as waitpid says it.
    int Actualizar(int paso = 0) const {
        std::vector<std::string> entorno;
        for (char** e = environ; *e; ++e) entorno.emplace_back(*e);
        if (paso > 0) entorno.push_back("TQUNZ_MATAR_EN_PASO=" + std::to_string(paso));
        std::vector<char*> env;
        for (auto& e : entorno) env.push_back(e.data());
        env.push_back(nullptr);
        std::string tq = (carpeta / "tqUpd.exe").string(), clase = "class(TForm)",
                    p = paquete.string(), vacia, programa = (carpeta / "marlevanta").string();
        char* args[] = {tq.data(), clase.data(), p.data(), vacia.data(), programa.data(), nullptr};
        // The program it starts again answers on its own standard output: not into the test's.
        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, tq.c_str(), &acciones, nullptr, args, env.data()), 0);
        posix_spawn_file_actions_destroy(&acciones);
        int estado = 0;
        EXPECT_EQ(waitpid(pid, &estado, 0), pid);
        return estado;
    }
    // The folder without the updater's own staging folder.
    std::map<std::string, std::string> Programa() const {
        auto h = Huella(carpeta);
        std::erase_if(h, [](const auto& e) { return e.first.starts_with(".tqUpd-preparacion"); });
        return h;
    }
    // The version the folder's program says it is, or why it does not start.
    std::string Arrancar() const {
        QProcess p;
        p.start(QString::fromStdString((carpeta / "marlevanta").string()), {});
        if (!p.waitForFinished(30000)) return "no termina";
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            return "sale con " + std::to_string(p.exitCode());
        }
        return p.readAllStandardOutput().trimmed().toStdString();
    }

    QTemporaryDir dir;
    const fs::path base = dir.path().toStdString();
    const fs::path carpeta = (fs::create_directories(base / "programa"), base / "programa");
    const fs::path paquete = base / "paquete.zip";
};

}  // namespace

// The updater killed right after each change it makes to the program's folder, in turn (a logout,
// the system out of memory, a power cut). Every name holds a whole file at that moment, and the
// next start, of the program or of the updater, leaves one whole version that starts.
TEST(ActualizacionInterrumpida, CadaPasoDejaUnaVersionEnteraQueArranca) {
    std::map<std::string, std::string> vieja, nueva;
    {
        CarpetaPrograma c;
        vieja = c.Programa();
        ASSERT_EQ(c.Arrancar(), "1");
        const int estado = c.Actualizar();
        ASSERT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
        nueva = c.Programa();
        ASSERT_EQ(c.Arrancar(), "2");
    }
    ASSERT_NE(vieja, nueva);
    int muertes = 0;
    for (int paso = 1; paso < 100; ++paso) {
        CarpetaPrograma c;
        const int estado = c.Actualizar(paso);
        if (WIFEXITED(estado)) {
            // Past the last change: the update ends by itself.
            EXPECT_EQ(WEXITSTATUS(estado), 0);
            EXPECT_EQ(c.Programa(), nueva);
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGKILL) << paso << ": " << estado;
        ++muertes;
        // At the moment of the kill: no name of the old version is missing or cut, each holds
        // the old file or the new one.
        const auto ahora = c.Programa();
        for (const auto& [nombre, valor] : vieja) {
            const auto it = ahora.find(nombre);
            ASSERT_NE(it, ahora.end()) << paso << ": falta " << nombre;
            EXPECT_TRUE(it->second == valor || it->second == nueva.at(nombre))
                << paso << ": " << nombre;
        }
        const QString carpeta = QString::fromStdString(c.carpeta.string());
        if (paso % 2 == 1) {
            // The program starts first and settles the update itself.
            const QStringList avisos = RecuperarActualizacion(carpeta);
            const auto despues = c.Programa();
            ASSERT_TRUE(despues == vieja || despues == nueva) << paso;
            if (despues == vieja) {
                EXPECT_EQ(c.Arrancar(), "1") << paso;
                ASSERT_EQ(avisos.size(), 1) << paso;
                EXPECT_TRUE(avisos[0].contains("Se ha dejado la versión que había, completa"))
                    << avisos[0].toStdString();
                EXPECT_FALSE(fs::exists(c.carpeta / ".tqUpd-preparacion")) << paso;
            } else {
                EXPECT_EQ(c.Arrancar(), "2") << paso;
                // Killed after its very last step nothing was cut short.
                if (!avisos.isEmpty()) {
                    EXPECT_TRUE(avisos[0].contains("ya está en la versión nueva"))
                        << avisos[0].toStdString();
                }
                // The old files are kept until the new version has started.
                EXPECT_TRUE(fs::exists(c.carpeta / ".tqUpd-preparacion" / "copias")) << paso;
                EXPECT_TRUE(ConfirmarActualizacion(carpeta));
                EXPECT_FALSE(fs::exists(c.carpeta / ".tqUpd-preparacion")) << paso;
            }
        } else {
            // The updater is started again, and killed once more while it settles the first
            // update; the third time it installs the package.
            const int otra = c.Actualizar(1);
            EXPECT_TRUE(WIFSIGNALED(otra) && WTERMSIG(otra) == SIGKILL) << paso << ": " << otra;
            const int tercera = c.Actualizar();
            EXPECT_TRUE(WIFEXITED(tercera) && WEXITSTATUS(tercera) == 0) << paso << ": " << tercera;
            EXPECT_EQ(c.Programa(), nueva) << paso;
            EXPECT_EQ(c.Arrancar(), "2") << paso;
            EXPECT_FALSE(fs::exists(c.paquete));
        }
    }
    // The journal, a folder, and a second name and a rename for each file at least.
    EXPECT_GE(muertes, 9);
}
