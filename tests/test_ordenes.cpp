// The commands behind the windows (grant of permissions, help, update check, import), run
// without widgets against stand-ins of the platform, and the windows that show them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <thread>

#include "ayudantes.h"
#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_aperturaAyuda.h"
#include "core/u_darPermisos.h"
#include "core/u_direccionesAyuda.h"
#include "core/u_importacionCertificado.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "core/u_sesionNavegador.h"
#include "platform/linux/u_permisosPoliticas.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "ui/u_frmDarPermisos.h"
#include "ui/u_frmImportarCertificado.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ordenesMenu.h"
#include "ventanas.h"

using namespace marlevanta;

namespace {

// A program that ends when `fin` is set, with the code and standard error it is given.
class ProcesoFalso : public ProcesoExterno {
public:
    ProcesoFalso(int codigo, std::string error, std::shared_ptr<std::atomic<bool>> fin)
        : codigo_(codigo), error_(std::move(error)), fin_(std::move(fin)) {}
    bool Terminado(std::chrono::milliseconds espera) override {
        if (!fin_->load())
            std::this_thread::sleep_for(std::min(espera, std::chrono::milliseconds(5)));
        return fin_->load();
    }
    int CodigoSalida() const override { return fin_->load() ? codigo_ : -1; }
    std::string SalidaError() const override { return error_; }

private:
    int codigo_;
    std::string error_;
    std::shared_ptr<std::atomic<bool>> fin_;
};

// Records what it is asked to start; fails to start when `noArranca` says why.
class IniciadorFalso : public IniciadorProcesos {
public:
    using IniciadorProcesos::Iniciar;
    Resultado<std::unique_ptr<ProcesoExterno>> Iniciar(const std::string& ejecutable,
                                                       const std::vector<std::string>& argumentos,
                                                       bool capturarError) override {
        iniciados.push_back({ejecutable, argumentos});
        capturado = capturarError;
        if (!noArranca.empty()) return Falla(noArranca);
        return std::unique_ptr<ProcesoExterno>(std::make_unique<ProcesoFalso>(codigo, error, fin));
    }
    std::string BuscarEnPath(const std::vector<std::string>&) override { return {}; }

    std::vector<ComandoNavegador> iniciados;
    bool capturado = false;
    std::string noArranca;
    int codigo = 0;
    std::string error;
    std::shared_ptr<std::atomic<bool>> fin = std::make_shared<std::atomic<bool>>(true);
};

AvisoPermisos Conceder(DarPermisos& d) {
    QSignalSpy terminado(&d, &DarPermisos::Terminado);
    d.Ejecutar();
    if (terminado.isEmpty()) {
        EXPECT_TRUE(terminado.wait(30000));
    }
    EXPECT_EQ(terminado.count(), 1);
    return terminado.isEmpty() ? AvisoPermisos{} : terminado.at(0).at(0).value<AvisoPermisos>();
}

}  // namespace

TEST(Permisos, ElProgramaDePermisosSeEjecutaElevadoYSeDiceQueSalio) {
    SegundoPlano fondo;
    auto procesos = std::make_shared<IniciadorFalso>();
    DarPermisos d(
        {procesos, CrearElevacionPkexec(), "/usr/libexec/marlevanta", "pqrvr", "S-1-22-1-1000"},
        fondo);
    const QString manual =
        "\n\nUn administrador puede darlos escribiendo en un terminal:\n"
        "sudo /usr/libexec/marlevanta/pqrvr S-1-22-1-1000";
    const struct {
        int codigo;
        const char* error;
        bool hecho;
        QString texto;
    } casos[] = {
        {0, "ruido", true, "Permisos establecidos"},
        {126, "", false,
         "No se han podido establecer los permisos. Se ha cancelado la petición de la "
         "contraseña." +
             manual},
        {127, "", false,
         "No se han podido establecer los permisos. El sistema no ha dado la autorización. Si no "
         "ha aparecido ninguna ventana que pidiera la contraseña, falta en el escritorio el "
         "programa que la pide (un agente de autenticación de polkit)." +
             manual},
        // The permission program's own words, its lines joined, without the blanks around.
        {1, "\n  No se puede leer\t\n\n la carpeta  \n", false,
         "No se han podido establecer los permisos. No se puede leer la carpeta" + manual},
        {3, " \n", false,
         "No se han podido establecer los permisos. El programa de permisos ha terminado con "
         "el código 3." +
             manual},
    };
    for (const auto& caso : casos) {
        procesos->codigo = caso.codigo;
        procesos->error = caso.error;
        const AvisoPermisos aviso = Conceder(d);
        EXPECT_EQ(aviso.hecho, caso.hecho) << caso.codigo;
        EXPECT_EQ(aviso.texto, caso.texto) << caso.codigo;
    }
    ASSERT_EQ(procesos->iniciados.size(), std::size(casos));
    EXPECT_EQ(procesos->iniciados[0].ejecutable, "pkexec");
    EXPECT_EQ(procesos->iniciados[0].argumentos,
              (std::vector<std::string>{"/usr/libexec/marlevanta/pqrvr", "S-1-22-1-1000"}));
    EXPECT_TRUE(procesos->capturado);  // its standard error is what the user reads

    // Without pkexec the user is told what to install, and what an administrator can type.
    procesos->noArranca = "No se encuentra el programa \"pkexec\".";
    const AvisoPermisos sin = Conceder(d);
    EXPECT_FALSE(sin.hecho);
    EXPECT_EQ(sin.texto,
              "No se han podido establecer los permisos. No se ha podido pedir la contraseña de "
              "administrador: No se encuentra el programa \"pkexec\". Compruebe que el paquete "
              "pkexec está instalado." +
                  manual);
    EXPECT_FALSE(d.EnCurso());
}

TEST(Permisos, LaOrdenDelAdministradorSeCopiaTalCualEnUnTerminal) {
    SegundoPlano fondo;
    auto procesos = std::make_shared<IniciadorFalso>();
    const auto orden = [&](const std::string& carpeta) {
        return DarPermisos({procesos, CrearElevacionPkexec(), carpeta, "pqrvr", "S-1-22-1-7"},
                           fondo)
            .OrdenManual();
    };
    EXPECT_EQ(orden("/opt/de mi"), "sudo '/opt/de mi/pqrvr' S-1-22-1-7");
    EXPECT_EQ(orden("/opt/o'brien"), "sudo '/opt/o'\\''brien/pqrvr' S-1-22-1-7");
    EXPECT_EQ(orden("/opt/año"), "sudo '/opt/año/pqrvr' S-1-22-1-7");
    EXPECT_EQ(orden("/opt/$(rm)"), "sudo '/opt/$(rm)/pqrvr' S-1-22-1-7");
    // Without its folder there is no program to run: nothing starts, and that is said.
    DarPermisos sinCarpeta({procesos, CrearElevacionPkexec(), "", "pqrvr", "S-1-22-1-7"}, fondo);
    EXPECT_EQ(sinCarpeta.OrdenManual(), "");
    const AvisoPermisos aviso = Conceder(sinCarpeta);
    EXPECT_FALSE(aviso.hecho);
    EXPECT_FALSE(aviso.texto.isEmpty());
    EXPECT_TRUE(procesos->iniciados.empty());
}

TEST(Permisos, LaVentanaNoSeCierraMientrasElProgramaSigue) {
    SegundoPlano fondo;
    TmanejadorFuncionesComunes comunes;
    auto procesos = std::make_shared<IniciadorFalso>();
    procesos->fin->store(false);
    DarPermisos accion({procesos, CrearElevacionPkexec(), "/ruta", "pqrvr", "S-1-22-1-7"}, fondo);
    TfrmDarPermisos ventana(nullptr, accion, comunes);
    EXPECT_EQ(ventana.edtOrden()->text(), "sudo /ruta/pqrvr S-1-22-1-7");
    QStringList mensajes;
    bool seguiaAbierta = false;
    QTimer::singleShot(0, [&] {
        ventana.btnAceptar()->click();
        EXPECT_TRUE(accion.EnCurso());
        QTest::keyClick(&ventana, Qt::Key_Escape);
        seguiaAbierta = ventana.isVisible();
        prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
            mensajes << m->Texto();
            m->close();
        });
        procesos->fin->store(true);
    });
    EXPECT_EQ(ventana.exec(), QDialog::Rejected);
    EXPECT_TRUE(seguiaAbierta);
    EXPECT_EQ(mensajes, QStringList{"Permisos establecidos"});
}

namespace {

// A managed policy that cannot be written, where the permission program would help.
class PoliticaCerrada : public AlmacenPoliticas {
public:
    bool AdmitePerfil() const override { return false; }
    Resultado<std::unique_ptr<TurnoNavegador>> Reservar(Navegador) override {
        return std::make_unique<TurnoNavegador>();
    }
    Hecho Escribir(Navegador, LugarRegla, const ReglaCertificado&) override {
        return Falla("Acceso denegado a la carpeta de políticas");
    }
    Resultado<bool> Eliminar(Navegador, LugarRegla) override { return false; }
};

}  // namespace

TEST(Permisos, TrasLosPermisosElFalloDiceSuMotivoReal) {
    QTemporaryDir dir;
    SegundoPlano fondo;
    TManejadorRegistro registro(CrearRegistroSqlite(dir.path().toStdString() + "/r.db"), nullptr,
                                std::make_unique<PoliticaCerrada>());
    SesionNavegador sesion({&registro,
                            [](Navegador) -> Resultado<ComandoNavegador> {
                                return ComandoNavegador{"navegador", {}};
                            },
                            std::make_shared<IniciadorFalso>()},
                           fondo);
    QSignalSpy rechazada(&sesion, &SesionNavegador::ReglaRechazada);
    QSignalSpy terminada(&sesion, &SesionNavegador::Terminada);
    sesion.Iniciar(Navegador::Chrome, {"ANA", "AC"});
    ASSERT_EQ(rechazada.count(), 1);
    sesion.TrasPermisos();
    ASSERT_EQ(terminada.count(), 1);
    const auto fin = terminada.at(0).at(0).value<FinSesion>();
    EXPECT_FALSE(fin.navegadorEjecutado);
    EXPECT_EQ(fin.error,
              "Acceso denegado a la carpeta de políticas\n\nNo se ha podido seleccionar el "
              "certificado para el navegador Google Chrome");
}

TEST(Ayuda, SeAbreSoloSinSerAdministradorYDesdeSuCarpeta) {
    QTemporaryDir dir;
    SegundoPlano fondo;
    TManejadorRegistro registro(CrearRegistroSqlite(dir.path().toStdString() + "/r.db"), nullptr);
    ASSERT_TRUE(registro.EscribirValor("AyudaUso", "https://ayuda.example/uso"));
    ASSERT_TRUE(registro.EscribirValor("AyudaTrucos", "http://ayuda.example/trucos"));
    const TManejadorApi api(&CrearClienteHttp, QString());
    AperturaAyuda comoRoot({true, "/opt/m", "libayuda.so", api, &registro}, fondo);
    EXPECT_EQ(comoRoot.Permitida().motivo(), AyudaPermitida(true).motivo());
    EXPECT_FALSE(comoRoot.Permitida());
    AperturaAyuda apertura({false, "/opt/m", "libayuda.so", api, &registro}, fondo);
    EXPECT_TRUE(apertura.Permitida());
    EXPECT_EQ(apertura.RutaModulo(), "/opt/m/libayuda.so");
    EXPECT_EQ(AperturaAyuda({false, "", "libayuda.so", api, &registro}, fondo).RutaModulo(), "");
    // The API does not answer: the stored addresses, and never one in the clear.
    QSignalSpy direcciones(&apertura, &AperturaAyuda::Direcciones);
    apertura.PedirDirecciones();
    ASSERT_TRUE(direcciones.wait(30000));
    EXPECT_EQ(direcciones.at(0).at(0).toString(), "https://ayuda.example/uso");
    EXPECT_EQ(direcciones.at(0).at(1).toString(), "about:blank");
}

TEST(Ayuda, SinElModuloSeDicePorQueNoSeMuestra) {
    prueba::ProgramaPrueba programa;
    QTemporaryDir vacia;
    programa.plataforma.carpetaAyudantes = vacia.path().toStdString();
    TfrmMenu::Servicios servicios{programa.plataforma, *programa.registro, *programa.api,
                                  *programa.fondo,     programa.comunes,   {}};
    QString dicho;
    prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
        dicho = m->Texto();
        m->close();
    });
    AbrirAyuda(nullptr, servicios);
    EXPECT_TRUE(dicho.startsWith("No se puede mostrar la ayuda: ")) << dicho.toStdString();
    EXPECT_TRUE(dicho.contains(vacia.path() + "/libmarlevanta_ayuda.so")) << dicho.toStdString();
}

TEST(Actualizacion, SoloUnaVersionPosteriorSeOfrece) {
    EXPECT_EQ(DecidirVersion(InfoVersion{10004, "x"}, 10004, false).paso, DecisionVersion::AlDia);
    EXPECT_EQ(DecidirVersion(InfoVersion{10004, "x"}, 10004, false).texto,
              "El programa no necesita actualización ya que tiene la última versión");
    EXPECT_EQ(DecidirVersion(InfoVersion{10003, ""}, 10004, false).paso, DecisionVersion::AlDia);
    EXPECT_EQ(DecidirVersion(InfoVersion{0, ""}, 10004, false).paso, DecisionVersion::AlDia);
    const DecisionVersion nueva = DecidirVersion(InfoVersion{10005, "Mejoras\r"}, 10004, false);
    EXPECT_EQ(nueva.paso, DecisionVersion::Nueva);
    EXPECT_EQ(nueva.texto, PreguntaActualizacion(10005, "Mejoras\r"));
    const DecisionVersion error =
        DecidirVersion(Resultado<InfoVersion>(Falla("Host not found")), 10004, false);
    EXPECT_EQ(error.paso, DecisionVersion::Error);
    EXPECT_EQ(error.texto, "Error: Servidor no disponible o no encontrado en este momento");
    // Cancelled by the user: nothing to tell, whatever the answer was.
    EXPECT_EQ(DecidirVersion(InfoVersion{10005, ""}, 10004, true).paso, DecisionVersion::Cancelada);
    EXPECT_EQ(DecidirVersion(Resultado<InfoVersion>(Falla("Cancelled")), 10004, true).paso,
              DecisionVersion::Cancelada);

    // The update decides with its own version, and knows when its check was cancelled.
    SegundoPlano fondo;
    Actualizacion a({TManejadorApi(&CrearClienteHttp, QString()), nullptr, {}, {}, 10004, {}, {}},
                    fondo);
    EXPECT_EQ(a.Decidir(InfoVersion{10005, ""}).paso, DecisionVersion::Nueva);
    QSignalSpy comprobada(&a, &Actualizacion::Comprobada);
    a.Comprobar();
    a.Cancelar();
    EXPECT_EQ(a.Decidir(InfoVersion{10005, ""}).paso, DecisionVersion::Cancelada);
    if (comprobada.isEmpty()) {
        ASSERT_TRUE(comprobada.wait(30000));
    }
}

namespace {

// Answers as told, and records what it was given.
class ImportadorFalso : public ImportadorCertificados {
public:
    struct Estado {
        std::vector<std::pair<std::string, std::string>> pedidos;
        std::vector<Resultado<CertificadoImportado>> respuestas;
    };
    explicit ImportadorFalso(std::shared_ptr<Estado> e) : e_(std::move(e)) {}
    Resultado<CertificadoImportado> Importar(const std::string& archivo,
                                             const std::string& contrasena) override {
        e_->pedidos.emplace_back(archivo, contrasena);
        auto r = e_->respuestas.front();
        e_->respuestas.erase(e_->respuestas.begin());
        return r;
    }

private:
    std::shared_ptr<Estado> e_;
};

}  // namespace

TEST(Importacion, ContrasenaMalaSePideOtraVezYCadaFinDiceLoSuyo) {
    SegundoPlano fondo;
    auto estado = std::make_shared<ImportadorFalso::Estado>();
    ImportacionCertificado imp([estado] { return std::make_unique<ImportadorFalso>(estado); },
                               fondo);
    QSignalSpy otraVez(&imp, &ImportacionCertificado::ContrasenaIncorrecta);
    QSignalSpy terminada(&imp, &ImportacionCertificado::Terminada);
    const auto importar = [&](Resultado<CertificadoImportado> respuesta, const QString& clave) {
        estado->respuestas.push_back(std::move(respuesta));
        const qsizetype antes = otraVez.count() + terminada.count();
        imp.Importar("/tmp/año.p12", clave);
        EXPECT_TRUE(imp.Importando());
        EXPECT_TRUE(
            prueba::EsperarQue([&] { return otraVez.count() + terminada.count() > antes; }));
        EXPECT_FALSE(imp.Importando());
    };

    importar(Falla(kContrasenaIncorrecta), "mala");
    ASSERT_EQ(otraVez.count(), 1);
    EXPECT_EQ(otraVez.at(0).at(0).toString(),
              QString::fromUtf8(kContrasenaIncorrecta) + " Escríbala de nuevo.");
    EXPECT_EQ(terminada.count(), 0);

    importar(CertificadoImportado{"AB12", false}, "clave Ñandú");
    ASSERT_EQ(terminada.count(), 1);
    EXPECT_EQ(imp.Fin().huella, "AB12");
    EXPECT_EQ(imp.Fin().error, "");
    EXPECT_EQ(imp.Fin().aviso, "");
    EXPECT_EQ(estado->pedidos.back(),
              (std::pair<std::string, std::string>{"/tmp/año.p12", "clave Ñandú"}));

    importar(CertificadoImportado{"AB12", true}, "");
    EXPECT_EQ(imp.Fin().huella, "AB12");
    EXPECT_EQ(imp.Fin().aviso,
              "Este certificado ya estaba en el almacén: se muestra seleccionado en la lista.");

    importar(Falla("El archivo no es PKCS #12."), "x");
    EXPECT_EQ(imp.Fin().huella, std::nullopt);
    EXPECT_EQ(imp.Fin().error, "El archivo no es PKCS #12.");

    // A failure without words is still a failure, never a silent end.
    importar(Falla(""), "x");
    EXPECT_EQ(imp.Fin().huella, std::nullopt);
    EXPECT_EQ(imp.Fin().error, "No se ha podido importar el certificado.");
    EXPECT_EQ(otraVez.count(), 1);

    // Where the system cannot import, it is said before anything is asked.
    ImportacionCertificado sin({}, fondo);
    EXPECT_EQ(sin.Disponible().motivo(),
              "En este sistema no se pueden importar certificados desde el programa.");
}

TEST(Importacion, DesdeLaVentanaElFalloSeDiceYNadaSeSelecciona) {
    prueba::ProgramaPrueba programa;
    auto estado = std::make_shared<ImportadorFalso::Estado>();
    programa.plataforma.importadorCertificados = [estado] {
        return std::make_unique<ImportadorFalso>(estado);
    };
    TfrmMenu::Servicios servicios{programa.plataforma, *programa.registro, *programa.api,
                                  *programa.fondo,     programa.comunes,   {}};
    const auto elegir = [](QWidget*) { return QStringLiteral("/tmp/ana.p12"); };
    QStringList errores, mensajes;
    const auto responder = [&] {
        prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
            mensajes << m->Texto();
            m->close();
        });
    };
    estado->respuestas = {Falla(kContrasenaIncorrecta), Falla("El almacén está en uso.")};
    prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>([&](TfrmImportarCertificado* d) {
        for (const char* clave : {"mala", "buena"}) {
            d->edtContrasena()->setText(clave);
            d->btnImportar()->click();
            EXPECT_TRUE(prueba::EsperarQue([&] { return !d->Importando(); }));
            if (!d->isVisible()) break;
            errores << d->lblError()->text();
        }
        responder();
    });
    EXPECT_EQ(ImportarCertificado(nullptr, servicios, elegir), std::nullopt);
    EXPECT_EQ(errores,
              QStringList{QString::fromUtf8(kContrasenaIncorrecta) + " Escríbala de nuevo."});
    EXPECT_EQ(mensajes, QStringList{"El almacén está en uso."});

    // Cancelled: nothing imported, nothing said.
    mensajes.clear();
    prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>(
        [](TfrmImportarCertificado* d) { d->btnCancelar()->click(); });
    EXPECT_EQ(ImportarCertificado(nullptr, servicios, elegir), std::nullopt);
    EXPECT_TRUE(mensajes.isEmpty());
    EXPECT_EQ(estado->pedidos.size(), 2u);
}
