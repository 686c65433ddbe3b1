// Bringing the certificates kept in Firefox into the user's store: the profiles found and what
// each would bring, the copy with and without the primary password, and the main window's offer
// over an empty list. Real Firefox-format profiles (certutil, pk12util, profiles.ini) below a
// HOME of the test's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>

#include "ayudantes.h"
#include "core/u_importacionFirefox.h"
#include "core/u_segundoPlano.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "ui/u_frmImportarFirefox.h"
#include "ui/u_rejillaCertificados.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

const char* kClaveAna = "clave Ñandú 1";
const char* kMaestra = "maestra ñ 'x'";

std::string Huella(const std::string& nombre, const char* algoritmo) {
    return prueba::HuellaPem(prueba::CarpetaP12() + "/" + nombre + ".pem", algoritmo);
}

class ConFirefox : public testing::Test {
protected:
    std::string Home() const { return dir_.path().toStdString() + "/home"; }
    std::string Almacen() const { return Home() + "/.pki/nssdb"; }

    // A profile as Firefox makes it, listed in profiles.ini, with these .p12 files (name,
    // password) in it.
    std::string Perfil(const std::string& nombre, bool predeterminado,
                       const std::string& contrasena,
                       const std::vector<std::pair<std::string, std::string>>& p12) {
        const std::string base = Home() + "/.mozilla/firefox";
        const std::string d = base + "/" + nombre;
        prueba::BaseFirefox(d, contrasena, p12);
        std::ofstream(base + "/profiles.ini", std::ios::app)
            << "[Profile" << perfiles_++ << "]\nName=" << nombre
            << "\nIsRelative=1\nPath=" << nombre << "\n"
            << (predeterminado ? "Default=1\n" : "") << "\n";
        return d;
    }

    size_t VecesEnAlmacen(const std::string& nombre) {
        auto certs = CrearAlmacenNss(Almacen())->LeerCertificados();
        EXPECT_TRUE(certs) << certs.motivo();
        if (!certs) return 0;
        const std::string sha256 = Huella(nombre, "sha256");
        return static_cast<size_t>(std::count_if(
            certs->begin(), certs->end(), [&](auto& c) { return c.huellaSha256 == sha256; }));
    }

    QTemporaryDir dir_;
    prueba::Entorno home_{"HOME", dir_.path().toStdString() + "/home"};
    prueba::Entorno xdg_{"XDG_CONFIG_HOME", dir_.path().toStdString() + "/config"};
    int perfiles_ = 0;
};

using ImportacionDesdeFirefox = ConFirefox;
using FirefoxEnVentana = ConFirefox;

// The desktop's notice service, as the window sees it: what it was asked to show, and a click.
struct AvisosAnotados : AvisosEscritorio {
    explicit AvisosAnotados(std::vector<std::pair<std::string, std::function<void()>>>& a)
        : anotados(a) {}
    void Mostrar(const std::string&, const std::string& texto,
                 std::function<void(const Hecho&)> alMostrar,
                 std::function<void()> alPulsar) override {
        anotados.emplace_back(texto, std::move(alPulsar));
        alMostrar({});
    }
    std::vector<std::pair<std::string, std::function<void()>>>& anotados;
};

}  // namespace

// luis is in both profiles: copied from the first, it is no longer counted in the second nor
// copied again.
TEST_F(ImportacionDesdeFirefox, CuentaLoQueFaltaYLoCopiaSinDuplicarNiTocarElPerfil) {
    Perfil("a.default", true, "", {{"luis", ""}});
    const std::string conClave =
        Perfil("b.clave", false, kMaestra, {{"ana", kClaveAna}, {"luis", ""}});
    const auto antes = prueba::HuellasArchivos(conClave);

    SegundoPlano fondo;
    ImportacionFirefox imp(&CrearCertificadosFirefox, fondo);
    QSignalSpy encontrados(&imp, &ImportacionFirefox::Encontrados);
    QSignalSpy terminada(&imp, &ImportacionFirefox::Terminada);
    QSignalSpy incorrecta(&imp, &ImportacionFirefox::ContrasenaIncorrecta);
    const auto buscar = [&] {
        imp.Buscar();
        ASSERT_TRUE(encontrados.wait(30000));
    };

    buscar();
    ASSERT_EQ(imp.Perfiles().size(), 2u);
    const PerfilParaImportar& a = imp.Perfiles()[0];
    const PerfilParaImportar& b = imp.Perfiles()[1];
    EXPECT_EQ(a.perfil.nombre, "a.default");
    EXPECT_TRUE(a.perfil.predeterminado);
    EXPECT_FALSE(a.conContrasena);
    EXPECT_EQ(a.faltan, std::vector<std::string>{Huella("luis", "sha256")});
    EXPECT_TRUE(b.conContrasena);
    EXPECT_EQ(b.faltan.size(), 2u);
    EXPECT_EQ(DescripcionPerfil(a), "a.default (Firefox): 1 certificado");
    EXPECT_EQ(AvisoFirefox(imp.Perfiles()),
              "Firefox guarda 3 certificados con su clave que aún no están aquí.");

    imp.Importar(0, QString());
    ASSERT_TRUE(terminada.wait(30000));
    EXPECT_EQ(imp.Fin().error, QString());
    EXPECT_EQ(imp.Fin().huella, Huella("luis", "sha1"));
    EXPECT_EQ(imp.Fin().copiados, 1);
    EXPECT_EQ(VecesEnAlmacen("luis"), 1u);
    EXPECT_EQ(VecesEnAlmacen("ana"), 0u);

    buscar();
    ASSERT_EQ(imp.Perfiles().size(), 1u);
    EXPECT_EQ(imp.Perfiles()[0].perfil.nombre, "b.clave");
    EXPECT_EQ(imp.Perfiles()[0].faltan, std::vector<std::string>{Huella("ana", "sha256")});

    imp.Importar(0, QStringLiteral("otra"));
    ASSERT_TRUE(incorrecta.wait(30000));
    EXPECT_EQ(terminada.count(), 1);
    EXPECT_FALSE(imp.Importando());
    EXPECT_EQ(VecesEnAlmacen("ana"), 0u);

    imp.Importar(0, QString::fromUtf8(kMaestra));
    ASSERT_TRUE(terminada.wait(30000));
    EXPECT_EQ(imp.Fin().error, QString());
    EXPECT_EQ(imp.Fin().huella, Huella("ana", "sha1"));
    EXPECT_EQ(imp.Fin().copiados, 1);
    for (const char* n : {"ana", "luis"}) EXPECT_EQ(VecesEnAlmacen(n), 1u) << n;

    buscar();
    EXPECT_TRUE(imp.Perfiles().empty());
    EXPECT_EQ(AvisoFirefox(imp.Perfiles()), QString());
    EXPECT_EQ(prueba::HuellasArchivos(conClave), antes);
}

// An empty store while the default profile (with a primary password) holds ana and another
// profile holds luis.
TEST_F(FirefoxEnVentana, LaListaVaciaLoOfreceYElDialogoLoTraeSeleccionado) {
    Perfil("otro", false, "", {{"luis", ""}});
    Perfil("principal", true, kMaestra, {{"ana", kClaveAna}});
    prueba::ProgramaPrueba programa;
    std::vector<std::pair<std::string, std::function<void()>>> avisos;
    programa.plataforma.avisosEscritorio = [&avisos] {
        return std::unique_ptr<AvisosEscritorio>(std::make_unique<AvisosAnotados>(avisos));
    };
    TfrmMenu& w = programa.Abrir({});
    programa.EsperarFondo();
    RejillaCertificados* g = w.grdCertificados();
    EXPECT_EQ(g->Aviso(), TfrmMenu::kTextoSinCertificados);
    ASSERT_TRUE(g->btnImportarFirefox->isVisible());
    EXPECT_TRUE(g->miImportarFirefox->isVisible());
    EXPECT_EQ(g->AvisoFirefox(),
              "Firefox guarda 2 certificados con su clave que aún no están aquí.");

    QStringList opciones;
    QString error;
    bool sigueAbierto = false;
    prueba::AlAbrirseDialogoDe<TfrmImportarFirefox>([&](TfrmImportarFirefox* d) {
        for (int i = 0; i < d->cmbPerfil()->count(); ++i) opciones << d->cmbPerfil()->itemText(i);
        EXPECT_EQ(d->cmbPerfil()->currentText(), "principal (Firefox): 1 certificado");
        EXPECT_TRUE(d->edtContrasena()->isVisible());
        d->cmbPerfil()->setCurrentIndex(0);
        EXPECT_FALSE(d->edtContrasena()->isVisible());
        d->cmbPerfil()->setCurrentIndex(1);
        d->edtContrasena()->setText("mala");
        d->btnImportar()->click();
        for (int i = 0; i < 3000 && d->Importando(); ++i) QTest::qWait(10);
        sigueAbierto = d->isVisible();
        error = d->lblError()->text();
        d->edtContrasena()->setText(QString::fromUtf8(kMaestra));
        QTest::keyClick(d->edtContrasena(), Qt::Key_Return);
        for (int i = 0; i < 3000 && d->Importando(); ++i) QTest::qWait(10);
    });
    g->btnImportarFirefox->click();
    programa.EsperarCarga();
    programa.EsperarFondo();

    EXPECT_EQ(opciones,
              (QStringList{"otro (Firefox): 1 certificado", "principal (Firefox): 1 certificado"}));
    EXPECT_TRUE(sigueAbierto);
    EXPECT_EQ(error, "La contraseña principal de Firefox no es correcta. Escríbala de nuevo.");
    ASSERT_EQ(w.cdsCertificados().TotalFilas(), 1);
    EXPECT_EQ(w.cdsCertificados().Actual().key_for_alias.toStdString(), Huella("ana", "sha1"));
    EXPECT_EQ(g->Aviso(), QString());
    // luis is still there to bring: with the list no longer empty to say so, the desktop is
    // told, once, and its notice opens the import.
    EXPECT_TRUE(g->miImportarFirefox->isVisible());
    EXPECT_FALSE(g->btnImportarFirefox->isVisible());
    ASSERT_EQ(avisos.size(), 1u);
    EXPECT_EQ(avisos[0].first,
              "Firefox guarda 1 certificado con su clave que aún no está aquí. Pulse este aviso "
              "para importarlo.");
    QTest::keyClick(&w, Qt::Key_F5);  // the list loaded again
    programa.EsperarCarga();
    programa.EsperarFondo();
    EXPECT_EQ(avisos.size(), 1u) << "el mismo aviso, otra vez";
    bool abierto = false;
    prueba::AlAbrirseDialogoDe<TfrmImportarFirefox>([&](TfrmImportarFirefox* d) {
        abierto = true;
        EXPECT_EQ(d->cmbPerfil()->currentText(), "otro (Firefox): 1 certificado");
        d->reject();
    });
    avisos[0].second();
    EXPECT_TRUE(abierto);
    prueba::OlvidarDialogos();
}
