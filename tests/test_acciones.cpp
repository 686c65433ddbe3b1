// The program's actions without any window: start-up, certificate loading, browser session and
// update, each against real components (SQLite files, an NSS database, a local web API server,
// programs started for real).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <semaphore>

#include "ayudantes.h"
#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_arranque.h"
#include "core/u_cargaCertificados.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "core/u_sesionNavegador.h"
#include "platform/comun/u_firmaOpenssl.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"
#include "servidor_api.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

std::string Leer(const fs::path& p) {
    std::ifstream f(p);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

using prueba::EsperarQue;

class Acciones : public testing::Test {
protected:
    void SetUp() override {
        const std::string d = dir_.path().toStdString();
        for (const char* sub : {"/config", "/politicas", "/programa", "/bin", "/cache", "/log"}) {
            fs::create_directories(d + sub);
        }
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", d + "/config"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CACHE_HOME", d + "/cache"));
        entorno_.push_back(
            std::make_unique<prueba::Entorno>("MARLEVANTA_POLICY_ROOT", d + "/politicas"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("HOME", d));
        registro_ = std::make_unique<TManejadorRegistro>(
            CrearRegistroUsuario(),
            [] {
                return TamanoPantalla{1920, 1080};
            },
            CrearAlmacenPoliticas());
        fondo_ = std::make_unique<SegundoPlano>();
    }
    void TearDown() override { fondo_.reset(); }

    std::string D() const { return dir_.path().toStdString(); }
    // Whether a rule is in force in the managed policy or in a browser profile.
    bool HayRegla() const {
        for (const auto& c : TodasLasCarpetasPoliticas(D() + "/politicas")) {
            if (Leer(c + "/" + ArchivoPolitica(getuid())).find("AutoSelect") != std::string::npos)
                return true;
        }
        for (const char* perfil : {"/Marlevanta/chrome", "/Marlevanta/edge"}) {
            if (Leer(D() + perfil + "/Default/Preferences").find("https://*,*") !=
                std::string::npos)
                return true;
        }
        return false;
    }
    void Instalar(const std::string& ruta, const std::string& guion) {
        std::ofstream(ruta) << guion;
        fs::permissions(ruta, fs::perms::owner_all);
    }

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<prueba::Entorno>> entorno_;
    std::unique_ptr<TManejadorRegistro> registro_;
    std::unique_ptr<SegundoPlano> fondo_;
};

}  // namespace

TEST_F(Acciones, ArranqueHaceCadaPasoAunqueOtroFalle) {
    // A damaged height, a rule left by a run that crashed and a pending updater file.
    ASSERT_TRUE(registro_->EscribirValor("FormHeight", "540px"));
    ASSERT_TRUE(registro_->EscribirCertificadoChrome({"DE UNA EJECUCION ROTA", "AC"},
                                                     LugarRegla::PoliticaSistema));
    ASSERT_TRUE(HayRegla());
    ASSERT_TRUE(registro_->EscribirCertificadoEdge({"DE OTRA", "AC"}, LugarRegla::Perfil));
    std::ofstream(D() + "/programa/tqUpd.exe") << "viejo";
    std::ofstream(D() + "/programa/tqUpd.exe.act") << "nuevo";
    TManejadorApi api(&CrearClienteHttp, QString());
    Arranque arranque(*registro_, api, *fondo_, QString::fromStdString(D() + "/programa"), 10004);
    const Arranque::Avisos avisos = arranque.AntesDeMostrar();

    EXPECT_FALSE(HayRegla());
    EXPECT_EQ(Leer(D() + "/programa/tqUpd.exe"), "nuevo");
    EXPECT_EQ(registro_->LeerValor("PanelConfirmarSalida"), "1");
    EXPECT_EQ(registro_->LeerValor("ApiHost"), kApiHostPorDefecto);
    EXPECT_EQ(api.host, kApiHostPorDefecto);
    EXPECT_TRUE(avisos.errores.isEmpty());
    ASSERT_EQ(avisos.general.size(), 1);
    EXPECT_TRUE(avisos.general[0].contains("\"540px\" no es un número entero"))
        << avisos.general[0].toStdString();
    EXPECT_TRUE(avisos.general[0].contains(QString::fromStdString(registro_->Ubicacion())));
}

TEST_F(Acciones, LaComprobacionDeVersionSigueAlHostSinBajarAHttp) {
    prueba::ServidorApi otro({"--respuesta", "/version", "10006\\nNueva"});
    prueba::ServidorApi s({"--respuesta", "/host", otro.Base().toUtf8().constData()});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    // Both servers have their own authority; the second is trusted through the first's file.
    std::ofstream(s.Ca(), std::ios::app) << Leer(otro.Ca());
    ASSERT_TRUE(registro_->EscribirValor("ApiHost", s.Base().toStdString()));
    ASSERT_TRUE(registro_->EscribirValor("PanelComprobarActualizaciones", "1"));
    TManejadorApi api(&CrearClienteHttp, QString());
    Arranque arranque(*registro_, api, *fondo_, QString(), 10004);
    (void)arranque.AntesDeMostrar();
    QSignalSpy comprobada(&arranque, &Arranque::VersionComprobada);
    arranque.ComprobarVersion();
    EXPECT_EQ(comprobada.count(), 0);  // the answer comes later, on the owner's thread
    ASSERT_TRUE(EsperarQue([&] { return comprobada.count() == 1; }));
    const auto e = comprobada.at(0).at(0).value<EstadoVersion>();
    EXPECT_EQ(e.estado, EstadoVersion::Disponible);
    EXPECT_EQ(e.numero, 10006);
    EXPECT_EQ(e.cambios, "Nueva\r");
    EXPECT_TRUE(e.preguntar);
    EXPECT_EQ(registro_->LeerValor("ApiHost"), otro.Base().toStdString());

    // A host answer that would drop to plain HTTP is ignored: the address stays.
    prueba::ServidorApi bajada({"--respuesta", "/host", "http://127.0.0.1:1"});
    std::ofstream(s.Ca(), std::ios::app) << Leer(bajada.Ca());
    ASSERT_TRUE(registro_->EscribirValor("ApiHost", bajada.Base().toStdString()));
    (void)arranque.AntesDeMostrar();
    arranque.ComprobarVersion();
    ASSERT_TRUE(EsperarQue([&] { return comprobada.count() == 2; }));
    EXPECT_EQ(registro_->LeerValor("ApiHost"), bajada.Base().toStdString());
    EXPECT_EQ(comprobada.at(1).at(0).value<EstadoVersion>().estado, EstadoVersion::SinComprobar);

    // An API in clear is asked, but its /host answer, which anybody on the way could have
    // written, moves nothing, not even to https.
    prueba::ServidorApi claro({"--respuesta", "/host", otro.Base().toUtf8().constData(),
                               "--respuesta", "/version", "10007"},
                              false);
    ASSERT_TRUE(registro_->EscribirValor("ApiHost", claro.Base().toStdString()));
    const auto preguntas = [&otro] { return otro.Registro().count("/version/"); };
    const auto antes = preguntas();
    (void)arranque.AntesDeMostrar();
    arranque.ComprobarVersion();
    ASSERT_TRUE(EsperarQue([&] { return comprobada.count() == 3; }));
    EXPECT_EQ(registro_->LeerValor("ApiHost"), claro.Base().toStdString());
    EXPECT_EQ(comprobada.at(2).at(0).value<EstadoVersion>().numero, 10007);
    EXPECT_EQ(preguntas(), antes);
}

TEST_F(Acciones, LaCargaNoRetieneAlLlamanteYLaMasNuevaGana) {
    const auto& base = prueba::BaseNssCompartida();
    TTablaCertificados tabla;
    tabla.Open();
    CargaCertificados carga(
        tabla, *registro_, [&base] { return CrearAlmacenNss(base.directorio); }, *fondo_, false);
    QSignalSpy cargada(&carga, &CargaCertificados::Cargada);
    carga.Cargar();
    carga.Cargar();  // F5 at once: only one set of rows arrives
    EXPECT_TRUE(carga.Cargando());
    EXPECT_EQ(tabla.TotalFilas(), 0);
    ASSERT_TRUE(EsperarQue([&] { return !carga.Cargando(); }));
    EXPECT_EQ(cargada.count(), 1);
    EXPECT_EQ(tabla.TotalFilas(), 8);
    EXPECT_EQ(tabla.Fila(0).key_for_alias.toStdString(), base.certificados[0].second);

    // A store that cannot be read: the failure says why and the rows stay.
    fs::create_directories(D() + "/no/hay");
    std::ofstream(D() + "/no/hay/cert9.db") << std::string(4096, 'x');
    CargaCertificados rota(
        tabla, *registro_, [this] { return CrearAlmacenNss(D() + "/no/hay"); }, *fondo_, false);
    QSignalSpy fallida(&rota, &CargaCertificados::Cargada);
    rota.Cargar();
    ASSERT_TRUE(EsperarQue([&] { return fallida.count() == 1; }));
    const Hecho h = fallida.at(0).at(0).value<Hecho>();
    EXPECT_FALSE(h);
    EXPECT_NE(h.motivo().find("no/hay"), std::string::npos) << h.motivo();
    EXPECT_EQ(tabla.TotalFilas(), 8);
}

namespace {

// A store that hands its certificates over in parts of the sizes given, each only once the test
// lets it go, and then ends with `final`; it notes the first part's size it was asked for.
struct Compuertas {
    std::vector<DatosCertificado> certificados;
    std::vector<size_t> partes;
    Hecho final;
    std::counting_semaphore<1000> paso{0};
    std::atomic<size_t> primeraPedida{0};
};
class AlmacenPorPartes : public AlmacenCertificados {
public:
    explicit AlmacenPorPartes(std::shared_ptr<Compuertas> c) : c_(std::move(c)) {}
    Resultado<std::vector<DatosCertificado>> LeerCertificados() override {
        return c_->certificados;
    }
    Hecho LeerPorPartes(size_t primera, const Parte& parte) override {
        c_->primeraPedida = primera;
        size_t i = 0;
        for (size_t n : c_->partes) {
            c_->paso.acquire();
            const auto desde = c_->certificados.begin() + static_cast<std::ptrdiff_t>(i);
            if (!parte({desde, desde + static_cast<std::ptrdiff_t>(n)})) return {};
            i += n;
        }
        c_->paso.acquire();
        return c_->final;
    }

private:
    std::shared_ptr<Compuertas> c_;
};

std::vector<DatosCertificado> CertificadosDePrueba(int n) {
    static const char* nombres[] = {"GARCÍA", "Núñez", "ÁLVAREZ", "peña", "O'Brien", "Strauß"};
    std::vector<DatosCertificado> r;
    for (int i = 0; i < n; ++i) {
        DatosCertificado d;
        d.emitidoPara = std::string(nombres[(i * 7) % 6]) + " " + nombres[i % 6] + " " +
                        std::to_string((i * 37) % 101);
        d.emitidoPor = i % 2 ? "AC Uno" : "AC Dós";
        d.validoDesde = "Thu, 05 Jan 2023 10:00:00 GMT";
        d.validoHasta = "Mon, 0" + std::to_string(1 + i % 9) + " Jan 2035 10:00:00 GMT";
        d.huella = QStringLiteral("%1").arg(i, 40, 16, QLatin1Char('0')).toUpper().toStdString();
        d.usosExtendidos = "clientAuth";
        r.push_back(d);
    }
    return r;
}

QList<QString> Huellas(TTablaCertificados& t) {
    QList<QString> r;
    for (int i = 0; i < t.RecordCount(); ++i) r << t.Fila(i).key_for_alias;
    return r;
}

}  // namespace

TEST_F(Acciones, UnaListaLargaSeVeSegunLlegaYAcabaComoLaDelAlmacen) {
    auto c = std::make_shared<Compuertas>();
    c->certificados = CertificadosDePrueba(2500);
    c->partes = {1000, 1000, 500};
    TTablaCertificados tabla;
    tabla.Open();
    CargaCertificados carga(
        tabla, *registro_, [c] { return std::make_unique<AlmacenPorPartes>(c); }, *fondo_, false);
    QSignalSpy recibidas(&carga, &CargaCertificados::FilasRecibidas);
    QSignalSpy cargada(&carga, &CargaCertificados::Cargada);
    carga.Cargar();
    c->paso.release();
    // The first part is on show while the rest is still being read.
    ASSERT_TRUE(EsperarQue([&] { return recibidas.count() == 1; }));
    EXPECT_EQ(c->primeraPedida.load(), kPrimeraParte);
    EXPECT_EQ(tabla.TotalFilas(), 1000);
    EXPECT_TRUE(carga.Cargando());
    EXPECT_EQ(cargada.count(), 0);
    // The user types, picks another order and a row while the rest comes.
    const EstadoFiltro e =
        ConstruirFiltro(QStringLiteral("garcia"), false, true, false, QDateTime::currentDateTime());
    ASSERT_TRUE(tabla.ProgramarFiltro(e.filtrado, e.expresion));
    tabla.SetRecNo(3);
    const QString elegida = tabla.Actual().key_for_alias;
    c->paso.release();
    ASSERT_TRUE(EsperarQue([&] { return recibidas.count() == 2; }));
    ASSERT_TRUE(tabla.SetIndexName(kIndiceInEmitidoPara));
    c->paso.release(2);
    ASSERT_TRUE(EsperarQue([&] { return cargada.count() == 1; }));
    EXPECT_TRUE(cargada.at(0).at(0).value<Hecho>());
    EXPECT_EQ(tabla.Actual().key_for_alias, elegida);

    // The same store loaded at once and filtered after.
    TTablaCertificados entera;
    entera.Reemplazar(TTablaCertificados::Preparar(
        FilasDeAlmacen(c->certificados, {}, QDateTime::currentDateTime())));
    ASSERT_TRUE(entera.SetIndexName(kIndiceInEmitidoPara));
    ASSERT_TRUE(entera.ProgramarFiltro(e.filtrado, e.expresion));
    ASSERT_GT(entera.RecordCount(), 100);
    EXPECT_EQ(Huellas(tabla), Huellas(entera));
    ASSERT_TRUE(tabla.ProgramarFiltro(false, QString()));
    ASSERT_TRUE(entera.ProgramarFiltro(false, QString()));
    EXPECT_EQ(Huellas(tabla), Huellas(entera));
    for (int i = 0; i < tabla.TotalFilas(); ++i) ASSERT_EQ(tabla.FilaCargada(i).id, i);

    // A reload keeps the rows shown until the new ones are all read, in one go.
    c->certificados = CertificadosDePrueba(1200);
    c->partes = {1200};
    recibidas.clear();
    carga.Cargar();
    c->paso.release();
    ASSERT_TRUE(EsperarQue([&] { return c->primeraPedida.load() == 0; }));
    EXPECT_EQ(tabla.TotalFilas(), 2500);
    c->paso.release();
    ASSERT_TRUE(EsperarQue([&] { return cargada.count() == 2; }));
    EXPECT_EQ(recibidas.count(), 1);
    EXPECT_EQ(tabla.TotalFilas(), 1200);

    // Into an empty table, a failure after some parts leaves no half list.
    TTablaCertificados vacia;
    vacia.Open();
    c->partes = {1000, 200};
    c->final = Falla("No se puede leer cert9.db: disco dañado");
    CargaCertificados rota(
        vacia, *registro_, [c] { return std::make_unique<AlmacenPorPartes>(c); }, *fondo_, false);
    QSignalSpy fallo(&rota, &CargaCertificados::Cargada);
    rota.Cargar();
    c->paso.release(3);
    ASSERT_TRUE(EsperarQue([&] { return fallo.count() == 1; }));
    EXPECT_EQ(fallo.at(0).at(0).value<Hecho>().motivo(), "No se puede leer cert9.db: disco dañado");
    EXPECT_EQ(vacia.TotalFilas(), 0);
}

namespace {

// A browser stand-in: notes that it ran and the rule in force in its profile and in the
// managed policy, then waits for the file `fin` (when given) before it ends.
std::string NavegadorFalso(const std::string& log, const std::string& casa,
                           const std::string& politicas, const std::string& fin) {
    return "#!/bin/sh\necho \"$@\" > '" + log + "/argumentos'\ncat '" + casa +
           "/Marlevanta/chrome/Default/Preferences' > '" + log + "/regla' 2>/dev/null\ncat '" +
           politicas + "/etc/chromium/policies/managed/" + ArchivoPolitica(getuid()) + "' > '" +
           log + "/politica' 2>/dev/null\nwhile [ -n '" + fin + "' ] && [ ! -e '" + fin +
           "' ]; do sleep 0.05; done\nexit 0\n";
}

}  // namespace

TEST_F(Acciones, LaSesionQuitaLaReglaPorCualquierCamino) {
    const std::string log = D() + "/log";
    const std::string fin = D() + "/fin";
    entorno_.push_back(std::make_unique<prueba::Entorno>("PATH", D() + "/bin:/usr/bin:/bin"));
    Instalar(D() + "/bin/chromium", NavegadorFalso(log, D(), D() + "/politicas", fin));
    auto procesos = CrearIniciadorProcesos();
    const auto entorno = [&] {
        return SesionNavegador::Entorno{
            registro_.get(), [&](Navegador n) { return BuscarComandoNavegador(n, *procesos); },
            procesos};
    };
    {
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy iniciado(&sesion, &SesionNavegador::NavegadorIniciado);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Chrome, {"ANA \"LA\" RUIZ\\", "AC \"B\""});
        EXPECT_EQ(iniciado.count(), 1);
        EXPECT_TRUE(HayRegla());
        EXPECT_TRUE(sesion.EnCurso());
        // The browser has run and now waits for `fin`: the run must still be under way.
        ASSERT_TRUE(EsperarQue([&] { return fs::exists(log + "/argumentos"); }))
            << "the browser stand-in never ran";
        EXPECT_EQ(terminada.count(), 0);
        {
            // Meanwhile another copy can start no run with that browser, nor clean its rule.
            SesionNavegador otra(entorno(), *fondo_);
            QSignalSpy fin2(&otra, &SesionNavegador::Terminada);
            otra.Iniciar(Navegador::Chrome, {"OTRO", "AC"});
            ASSERT_EQ(fin2.count(), 1);
            EXPECT_EQ(fin2.at(0).at(0).value<FinSesion>().error,
                      "Otra ventana de Marlevanta está usando Google Chrome. Cierre ese "
                      "navegador y vuelva a intentarlo.");
            EXPECT_EQ(registro_->EliminarRestos(Navegador::Chrome), false);
            EXPECT_TRUE(HayRegla());
        }
        std::ofstream{fin};
        ASSERT_TRUE(EsperarQue([&] { return terminada.count() == 1; }));
        const auto f = terminada.at(0).at(0).value<FinSesion>();
        EXPECT_TRUE(f.navegadorEjecutado);
        EXPECT_TRUE(f.error.isEmpty()) << f.error.toStdString();
        EXPECT_FALSE(HayRegla());
        EXPECT_NE(Leer(log + "/regla").find(R"("CN":"ANA \"LA\" RUIZ\\")"), std::string::npos)
            << Leer(log + "/regla");
        EXPECT_NE(Leer(log + "/regla").find(R"("ISSUER":{"CN":"AC \"B\""})"), std::string::npos);
        EXPECT_EQ(Leer(log + "/politica"), "");  // the managed policy only when asked for
        EXPECT_EQ(Leer(log + "/argumentos"), "--user-data-dir=" + D() + "/Marlevanta/chrome\n");
    }
    fs::remove(fin);
    fs::remove(log + "/regla");
    {
        // Asked for, the managed policy is in force too, and goes with the run.
        ASSERT_TRUE(registro_->EscribirValor("NavegadorPoliticaSistema", "1"));
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Chrome, {"ANA", "AC"});
        std::ofstream{fin};
        ASSERT_TRUE(EsperarQue([&] { return terminada.count() == 1; }));
        EXPECT_NE(Leer(log + "/politica").find(R"(\"CN\":\"ANA\")"), std::string::npos)
            << Leer(log + "/politica");
        EXPECT_NE(Leer(log + "/regla").find(R"("CN":"ANA")"), std::string::npos);
        EXPECT_FALSE(HayRegla());
        ASSERT_TRUE(registro_->EscribirValor("NavegadorPoliticaSistema", "0"));
    }
    fs::remove(fin);
    {
        // Bytes that are not text could never match: nothing is written, no browser starts.
        fs::remove(log + "/argumentos");
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Chrome, {"caf\xE9", "AC"});
        ASSERT_EQ(terminada.count(), 1);
        const auto f = terminada.at(0).at(0).value<FinSesion>();
        EXPECT_FALSE(f.navegadorEjecutado);
        EXPECT_TRUE(f.error.contains("no son texto válido")) << f.error.toStdString();
        EXPECT_FALSE(HayRegla());
        EXPECT_FALSE(fs::exists(log + "/argumentos"));
    }
    {
        // The session ends with its owner while the browser is open: the rule goes with it.
        auto sesion = std::make_unique<SesionNavegador>(entorno(), *fondo_);
        sesion->Iniciar(Navegador::Chrome, {"ANA", "AC"});
        EXPECT_TRUE(HayRegla());
        sesion.reset();
        EXPECT_FALSE(HayRegla());
        std::ofstream{fin};
        fondo_->EsperarTodo();
    }
    {
        // A browser that is not installed: nothing written, nothing claimed.
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Edge, {"ANA", "AC"});
        ASSERT_EQ(terminada.count(), 1);
        const auto f = terminada.at(0).at(0).value<FinSesion>();
        EXPECT_FALSE(f.navegadorEjecutado);
        EXPECT_TRUE(f.error.startsWith("No se ha encontrado Microsoft Edge"));
        EXPECT_FALSE(HayRegla());
    }
    {
        // The managed policy cannot be written: no permission program can help here (no user
        // is given a policy of their own), so the run ends with the real reason.
        ASSERT_TRUE(registro_->EscribirValor("NavegadorPoliticaSistema", "1"));
        fs::remove_all(D() + "/politicas");
        std::ofstream(D() + "/politicas") << "no es una carpeta";
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy rechazada(&sesion, &SesionNavegador::ReglaRechazada);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Chrome, {"ANA", "AC"});
        EXPECT_EQ(rechazada.count(), 0);
        ASSERT_EQ(terminada.count(), 1);
        const auto f = terminada.at(0).at(0).value<FinSesion>();
        EXPECT_FALSE(f.navegadorEjecutado);
        EXPECT_TRUE(f.error.startsWith("No se puede escribir la política en \"" +
                                       QString::fromStdString(D()) + "/politicas/etc/"))
            << f.error.toStdString();
        EXPECT_FALSE(HayRegla());  // the profile's rule, written first, went too
    }
    {
        // A browser that has the profile open would bring its old rule back: nothing is done.
        const std::string perfil = D() + "/Marlevanta/chrome";
        fs::create_directories(perfil);
        const prueba::NavegadorVivo vivo(D() + "/bin/chromium-abierto");
        vivo.Bloquear(perfil);
        fs::remove(log + "/argumentos");
        const std::string antes = Leer(perfil + "/Default/Preferences");
        SesionNavegador sesion(entorno(), *fondo_);
        QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
        sesion.Iniciar(Navegador::Chrome, {"ANA", "AC"});
        ASSERT_EQ(terminada.count(), 1);
        EXPECT_EQ(terminada.at(0).at(0).value<FinSesion>().error,
                  "Google Chrome ya está abierto con la carpeta \"" +
                      QString::fromStdString(perfil) + "\". Ciérrelo y vuelva a intentarlo.");
        EXPECT_EQ(Leer(perfil + "/Default/Preferences"), antes);
        EXPECT_FALSE(fs::exists(log + "/argumentos"));
    }
}

TEST_F(Acciones, ActualizacionDescargaEnSuCarpetaYTraspasa) {
    QTemporaryDir d;
    const std::string origen = d.path().toStdString() + "/paquete.zip";
    std::ofstream(origen) << std::string(300000, 'p');
    prueba::ServidorApi s({"--respuesta", "/version", "10005\\nA", "--respuesta", "/updatefile",
                           "{base}/paquete\\nclave", "--paquete", QString::fromStdString(origen),
                           "--lento", "0.01"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    const QString programa = QString::fromStdString(D() + "/programa");
    Instalar(D() + "/programa/tqUpd.exe",
             "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + D() + "/log/traspaso'\n");
    int fines = 0;
    Actualizacion a(
        {TManejadorApi(&CrearClienteHttp, s.Base()), CrearIniciadorProcesos(), programa,
         programa + "/marlevanta", 10004, [&fines] { ++fines; }, &ComprobarFirmaPaquete},
        *fondo_);
    int numero = 0;
    QObject::connect(&a, &Actualizacion::Comprobada,
                     [&numero](const Resultado<InfoVersion>& v) { numero = v ? v->numero : -1; });
    a.Comprobar();
    ASSERT_TRUE(EsperarQue([&] { return numero != 0; }));
    EXPECT_EQ(numero, 10005);

    QSignalSpy progreso(&a, &Actualizacion::Progreso);
    QSignalSpy descargada(&a, &Actualizacion::Descargada);
    a.Descargar();
    EXPECT_TRUE(a.Descargando());
    ASSERT_TRUE(EsperarQue([&] { return descargada.count() == 1; }));
    EXPECT_EQ(descargada.at(0).at(0).value<FinDescarga>().estado, FinDescarga::Completa);
    ASSERT_GE(progreso.count(), 2);
    EXPECT_EQ(progreso.last().at(1).toLongLong(), 300000);
    // The package lives in the user's own folder, room for nobody else.
    const QString carpeta = QString::fromStdString(D() + "/cache/marlevanta");
    EXPECT_EQ(a.Paquete(), RutaPaquete(carpeta));
    EXPECT_EQ(fs::file_size(a.Paquete().toStdString()), 300000u);
    EXPECT_EQ(fs::status(carpeta.toStdString()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    // Its signature beside it, for the updater to check again, the user's alone.
    const std::string firma = a.Paquete().toStdString() + ".sig";
    EXPECT_EQ(Leer(firma).rfind("marlevanta-firma-1\nversion 10005\nsha256 ", 0), 0u);
    EXPECT_EQ(fs::symlink_status(firma).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(a.Traspasar());
    EXPECT_EQ(fines, 1);
    // The password is not on the command line, where any user sees it, but beside the package
    // for the user alone.
    const std::string argumentos = "class(TForm)\n" + a.Paquete().toStdString() + "\n\n" +
                                   programa.toStdString() + "/marlevanta\n";
    EsperarQue([&] { return Leer(D() + "/log/traspaso") == argumentos; });
    EXPECT_EQ(Leer(D() + "/log/traspaso"), argumentos);
    const std::string clave = carpeta.toStdString() + "/tqUpd.clave";
    EXPECT_EQ(Leer(clave), "clave");
    EXPECT_EQ(fs::symlink_status(clave).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // Without the external updater the program goes on and says why, and takes the password
    // back.
    fs::remove(D() + "/programa/tqUpd.exe");
    const Hecho sin = a.Traspasar();
    EXPECT_EQ(sin.motivo(), "No se puede ejecutar el programa actualizador.");
    EXPECT_FALSE(fs::exists(clave));
    EXPECT_EQ(fines, 1);
}

TEST_F(Acciones, ActualizacionCortadaSeDeshaceAlArrancarYLaAcabadaSeConfirmaConLaVentana) {
    // The program's folder with the real updater and its library; a signed package that
    // replaces two files.
    const std::string programa = D() + "/programa";
    for (const char* n : {"tqUpd.exe", "tqUnz.dll"}) {
        fs::copy_file(fs::path(QCoreApplication::applicationDirPath().toStdString()) / n,
                      programa + "/" + n);
    }
    Instalar(programa + "/marlevanta", "#!/bin/sh\n");
    for (const char* n : {"/datos.txt", "/otro.txt"}) std::ofstream(programa + n) << "viejo";
    const std::string paquete = D() + "/bin/paquete.zip";
    const std::string pruebas = MARLEVANTA_TEST_SCRIPTS;
    prueba::Ejecutar(
        "python3 -c 'import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], \"w\") "
        "as z:\n    z.writestr(\"datos.txt\", \"nuevo\")\n    z.writestr(\"otro.txt\", "
        "\"nuevo\")' '" +
        paquete + "' && LC_ALL=C bash '" + pruebas + "/../tools/firmar-paquete' '" + pruebas +
        "/clave-PRUEBA-actualizaciones.pem' '" + paquete + "' 10005 '" + pruebas +
        "/clave-PRUEBA-actualizaciones.pub.pem' >/dev/null");
    const auto actualizar = [&](const char* paso) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        if (paso) e.insert("TQUNZ_MATAR_EN_PASO", paso);
        p.setProcessEnvironment(e);
        p.start(QString::fromStdString(programa + "/tqUpd.exe"),
                {"class(TForm)", QString::fromStdString(paquete), "",
                 QString::fromStdString(programa + "/marlevanta")});
        EXPECT_TRUE(p.waitForFinished(30000));
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    // Killed once the first file is in: the journal, its second name, its rename.
    EXPECT_FALSE(actualizar("3"));
    ASSERT_EQ(Leer(programa + "/datos.txt") + Leer(programa + "/otro.txt"), "nuevoviejo");

    TManejadorApi api(&CrearClienteHttp, QString());
    Arranque arranque(*registro_, api, *fondo_, QString::fromStdString(programa), 10004);
    const Arranque::Avisos avisos = arranque.AntesDeMostrar();
    EXPECT_EQ(Leer(programa + "/datos.txt") + Leer(programa + "/otro.txt"), "viejoviejo");
    ASSERT_EQ(avisos.errores.size(), 1);
    EXPECT_EQ(avisos.errores[0],
              "La última actualización de Marlevanta se interrumpió antes de terminar (por "
              "ejemplo, porque se cerró la sesión o se apagó el equipo). Se ha dejado la versión "
              "que había, completa; puede volver a actualizar cuando quiera.");
    EXPECT_FALSE(fs::exists(programa + "/.tqUpd-preparacion"));

    // Run to its end, the update keeps the old files until the new version's window shows.
    ASSERT_TRUE(actualizar(nullptr));
    EXPECT_EQ(Leer(programa + "/datos.txt") + Leer(programa + "/otro.txt"), "nuevonuevo");
    EXPECT_TRUE(arranque.AntesDeMostrar().errores.isEmpty());
    EXPECT_TRUE(fs::exists(programa + "/.tqUpd-preparacion/copias"));
    QSignalSpy comprobada(&arranque, &Arranque::VersionComprobada);
    arranque.ComprobarVersion();
    EXPECT_FALSE(fs::exists(programa + "/.tqUpd-preparacion"));
    EXPECT_EQ(Leer(programa + "/datos.txt") + Leer(programa + "/otro.txt"), "nuevonuevo");
    EXPECT_TRUE(EsperarQue([&] { return comprobada.count() == 1; }));
}

TEST_F(Acciones, UnaPeticionParadaAlTerminarElProgramaNoLoRetiene) {
    // A server that never answers: the pool's end stops the request at once, not after its
    // time limits.
    prueba::ServidorApi mudo({"--modo", "mudo"});
    prueba::Entorno ca("SSL_CERT_FILE", mudo.Ca());
    TManejadorApi api(&CrearClienteHttp, mudo.Base());
    api.cancelar = fondo_->Cancelacion();
    bool llego = false;
    QObject contexto;
    fondo_->Ejecutar(
        &contexto, [api] { return api.LeerVersion(); },
        [&llego](Resultado<InfoVersion>) { llego = true; });
    ASSERT_TRUE(EsperarQue([&] { return mudo.Registro().contains("/version/"); }))
        << "the request never reached the server";
    QElapsedTimer reloj;
    reloj.start();
    fondo_.reset();
    // Not the request's own limits (twenty seconds without data, thirty in all).
    EXPECT_LT(reloj.elapsed(), 15000);
    QApplication::processEvents();
    EXPECT_TRUE(llego);  // the context still exists: it gets the (failed) answer
}

TEST_F(Acciones, UnArchivoDeAjustesInservibleSeDiceUnaVezYSeSigueConLoDePorDefecto) {
    const std::string archivo = registro_->Ubicacion();
    const auto nuevo = [] {
        return TManejadorRegistro(CrearRegistroUsuario(), [] {
            return TamanoPantalla{1920, 1080};
        });
    };
    // A real settings file with an alias and a host of the user's, then closed.
    ASSERT_TRUE(registro_->IniciarValoresSiNoExisten());
    ASSERT_TRUE(registro_->EscribirValor("ApiHost", "https://otro.example"));
    for (int i = 0; i < 200; ++i) {
        // Appended, not "C" + std::to_string(i): see TextoAEntero's test.
        ASSERT_TRUE(registro_->EscribirAlias(std::string("C").append(std::to_string(i)),
                                             std::string(100, 'a')));
    }
    registro_.reset();
    const std::string sano = Leer(archivo);
    ASSERT_GT(sano.size(), 8192u);

    struct Caso {
        const char* nombre;
        std::function<void()> danar;
        const char* motivo;
    };
    const std::vector<Caso> casos = {
        {"basura", [&] { std::ofstream(archivo, std::ios::trunc) << std::string(8192, 'x'); },
         "está dañado (no es una base de datos válida)"},
        {"cortado",
         [&] {
             std::ofstream(archivo, std::ios::trunc | std::ios::binary)
                 << sano.substr(0, 4096 + 100);
         },
         "está dañado (no es una base de datos válida)"},
        {"carpeta",
         [&] {
             fs::remove(archivo);
             fs::create_directories(archivo + "/dentro");
         },
         "es una carpeta, no un archivo"},
    };
    for (const Caso& c : casos) {
        fs::remove_all(archivo);
        c.danar();
        const std::string antes = fs::is_directory(archivo) ? "carpeta" : Leer(archivo);
        auto registro = nuevo();
        TManejadorApi api(&CrearClienteHttp, QString());
        Arranque arranque(registro, api, *fondo_, QString::fromStdString(D() + "/programa"), 10004);
        const Arranque::Avisos avisos = arranque.AntesDeMostrar();
        // One message, naming the file and what is wrong with it, and nothing else about it.
        ASSERT_EQ(avisos.general.size(), 1)
            << c.nombre << ": " << avisos.general.join(" | ").toStdString();
        const QString m = avisos.general[0];
        EXPECT_TRUE(m.startsWith(QString::fromStdString(
            "No se puede usar el archivo de ajustes \"" + archivo + "\": " + c.motivo)))
            << c.nombre << ": " << m.toStdString();
        EXPECT_TRUE(m.contains("no podrá guardar los alias")) << m.toStdString();
        EXPECT_TRUE(avisos.errores.isEmpty()) << c.nombre;
        EXPECT_FALSE(avisos.ajustesLegibles);
        // The program goes on with its defaults and leaves the file alone.
        EXPECT_EQ(api.host, kApiHostPorDefecto) << c.nombre;
        EXPECT_EQ(fs::is_directory(archivo) ? "carpeta" : Leer(archivo), antes) << c.nombre;
        EXPECT_FALSE(registro.EscribirAlias("C1", "nuevo")) << c.nombre;
    }

    // A file that can be read but not written: its values are used, and the user is told that
    // nothing can be saved. Root hands the start-up to an unprivileged user for that.
    fs::remove_all(archivo);
    std::ofstream(archivo, std::ios::binary) << sano;
    for (fs::path p = archivo; p != dir_.path().toStdString(); p = p.parent_path()) {
        fs::permissions(p.parent_path(), fs::perms(0755));
    }
    // The folder is the user's own (SQLite keeps its shared-memory file beside the database);
    // the file is not writable for them.
    fs::permissions(archivo, fs::perms(0444));
    if (getuid() == 0) {
        ASSERT_EQ(chown(fs::path(archivo).parent_path().c_str(), 65534, 65534), 0);
    }
    fondo_.reset();
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        SegundoPlano fondo;
        auto registro = nuevo();
        TManejadorApi api(&CrearClienteHttp, QString());
        Arranque arranque(registro, api, fondo, QString(), 10004);
        const Arranque::Avisos avisos = arranque.AntesDeMostrar();
        if (avisos.general.size() != 1) _exit(91);
        if (!avisos.general[0].startsWith(QString::fromStdString(
                "No se puede guardar en el archivo de ajustes \"" + archivo + "\": "))) {
            std::fprintf(stderr, "%s\n", avisos.general[0].toStdString().c_str());
            _exit(92);
        }
        if (!avisos.ajustesLegibles || avisos.ajustesEscribibles) _exit(93);
        if (api.host != "https://otro.example") _exit(94);
        if (registro.EscribirAlias("C1", "nuevo")) _exit(95);
        if (registro.LeerAlias("C1").valor_o("") != std::string(100, 'a')) _exit(96);
        _exit(0);
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    EXPECT_TRUE(WIFEXITED(estado));
    EXPECT_EQ(WEXITSTATUS(estado), 0);
    EXPECT_EQ(Leer(archivo), sano);
}

TEST_F(Acciones, LaComprobacionDeVersionConUnServidorQueGoteaAcabaPorElLimiteTotal) {
    prueba::ServidorApi s({"--goteo", "/version"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    ASSERT_TRUE(registro_->EscribirValor("ApiHost", s.Base().toStdString()));
    TManejadorApi api(&CrearClienteHttp, QString());
    api.segundosPregunta = 2;
    Arranque arranque(*registro_, api, *fondo_, QString(), 10004);
    (void)arranque.AntesDeMostrar();
    QSignalSpy comprobada(&arranque, &Arranque::VersionComprobada);
    QElapsedTimer reloj;
    reloj.start();
    arranque.ComprobarVersion();
    EXPECT_EQ(comprobada.count(), 0);  // the caller never waits for the answer
    ASSERT_TRUE(EsperarQue([&] { return comprobada.count() == 1; }));
    EXPECT_GE(reloj.elapsed(), 1900);
    const auto e = comprobada.at(0).at(0).value<EstadoVersion>();
    EXPECT_EQ(e.estado, EstadoVersion::SinComprobar);
    EXPECT_EQ(e.motivo, "Timed out");
}
