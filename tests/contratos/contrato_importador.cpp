// What every import and every reading of a certificate's details must give: the certificate
// with its key in the user's store, listed afterwards; a second import that writes nothing; a
// wrong password and a file of another kind told apart; and the details as the certificate
// holds them.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

template <class Banco>
class ContratoImportador : public testing::Test {
protected:
    std::vector<std::string> Listadas() {
        std::vector<std::string> r;
        auto certs = banco_.Almacen()->LeerCertificados();
        EXPECT_TRUE(certs) << certs.motivo();
        if (certs) {
            for (const auto& c : *certs) r.push_back(c.huella);
        }
        return r;
    }

    Banco banco_;
};

TYPED_TEST_SUITE(ContratoImportador, BancosImportador, NombreBanco);

TYPED_TEST(ContratoImportador, ImportaConSuClaveYLaSegundaVezNoEscribeNada) {
    const std::string hoja = PrimeraLinea(Datos("hoja.sha1"));
    auto r = this->banco_.Crear()->Importar(Datos("hoja.p12"), "clave-prueba");
    ASSERT_TRUE(r) << r.motivo();
    EXPECT_EQ(r->huella, hoja);
    EXPECT_FALSE(r->yaEstaba);
    EXPECT_EQ(this->Listadas(), std::vector<std::string>{hoja});

    auto otra = this->banco_.Crear()->Importar(Datos("hoja.p12"), "clave-prueba");
    ASSERT_TRUE(otra) << otra.motivo();
    EXPECT_TRUE(otra->yaEstaba);
    EXPECT_EQ(otra->huella, hoja);
    EXPECT_EQ(this->Listadas(), std::vector<std::string>{hoja});
}

TYPED_TEST(ContratoImportador, UnaContrasenaEquivocadaYUnArchivoDeOtraClaseSeDistinguen) {
    auto mala = this->banco_.Crear()->Importar(Datos("hoja.p12"), "otra-clave");
    EXPECT_EQ(mala.motivo(), kContrasenaIncorrecta);
    auto der = this->banco_.Crear()->Importar(Datos("ca.der"), "clave-prueba");
    EXPECT_NE(der.motivo().find("no es un certificado PKCS #12"), std::string::npos)
        << der.motivo();
    auto falta = this->banco_.Crear()->Importar(Datos("no-existe.p12"), "");
    EXPECT_NE(falta.motivo().find("No se puede leer el archivo"), std::string::npos)
        << falta.motivo();
    EXPECT_TRUE(this->Listadas().empty());
}

TYPED_TEST(ContratoImportador, LosDetallesSonLosDelCertificado) {
    ASSERT_TRUE(this->banco_.Crear()->Importar(Datos("hoja.p12"), "clave-prueba"));
    ASSERT_TRUE(this->banco_.Crear()->Importar(Datos("otra.p12"), "clave-prueba"));
    auto h = this->banco_.Detalles(PrimeraLinea(Datos("hoja.sha1")));
    ASSERT_TRUE(h) << h.motivo();
    // Most specific part first; a quote, a backslash and a comma escaped as RFC 4514 asks.
    EXPECT_EQ(h->sujeto, "O=Pruebas,CN=José \\\"Pepe\\\" Núñez\\\\Ñ\\, Güemes");
    EXPECT_EQ(h->emisor, "O=Pruebas,CN=Autoridad de Pruebas Ñandú");
    EXPECT_EQ(h->numeroSerie, "1000");
    EXPECT_EQ(h->validoDesde, 1672912800);  // 2023-01-05 10:00:00 UTC
    EXPECT_EQ(h->validoHasta, 2240609400);  // 2040-12-31 23:30:00 UTC
    EXPECT_EQ(h->usosClave, (std::vector<std::string>{"digitalSignature", "keyEncipherment"}));
    EXPECT_EQ(h->usosExtendidos, (std::vector<std::string>{"clientAuth", "emailProtection"}));
    EXPECT_EQ(h->correos, std::vector<std::string>{"pepe@example.org"});
    EXPECT_EQ(h->sha1, PrimeraLinea(Datos("hoja.sha1")));
    EXPECT_EQ(h->sha256.size(), 64u);
    EXPECT_EQ(h->sha256.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_TRUE(h->clavePrivada);

    auto o = this->banco_.Detalles(PrimeraLinea(Datos("otra.sha1")));
    ASSERT_TRUE(o) << o.motivo();
    EXPECT_EQ(o->sujeto, "emailAddress=otra@example.org,CN=Otra Persona");
    EXPECT_EQ(o->numeroSerie, "1001");
    EXPECT_TRUE(o->usosClave.empty());  // no restriction
    EXPECT_EQ(o->usosExtendidos,
              (std::vector<std::string>{"codeSigning", "1.3.6.1.4.1.311.10.3.12"}));
    EXPECT_EQ(o->correos, std::vector<std::string>{"otra@example.org"});
    EXPECT_NE(o->sha256, h->sha256);

    auto falta = this->banco_.Detalles(std::string(40, '0'));
    EXPECT_NE(falta.motivo().find("ya no está"), std::string::npos) << falta.motivo();
}

}  // namespace
}  // namespace contrato
