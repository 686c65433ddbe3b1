// What every certificate store must give: the user's certificates (those with a private key),
// each with its names as the certificate holds them, thumbprint, validity, usages and e-mail.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

template <class Banco>
class ContratoCertificados : public testing::Test {
protected:
    const DatosCertificado* Buscar(const std::vector<DatosCertificado>& certs,
                                   const std::string& huella) {
        for (const auto& c : certs) {
            if (c.huella == huella) return &c;
        }
        return nullptr;
    }

    Banco banco_;
};

TYPED_TEST_SUITE(ContratoCertificados, BancosCertificados, NombreBanco);

TYPED_TEST(ContratoCertificados, ListaLosCertificadosConClaveConSusDatosReales) {
    ASSERT_TRUE(this->banco_.Importar("hoja.p12"));
    ASSERT_TRUE(this->banco_.Importar("otra.p12"));
    ASSERT_TRUE(this->banco_.ImportarSinClave("ca.der"));
    const std::string hoja = PrimeraLinea(Datos("hoja.sha1"));
    const std::string otra = PrimeraLinea(Datos("otra.sha1"));
    ASSERT_EQ(hoja.size(), 40u);

    auto certs = this->banco_.Crear()->LeerCertificados();
    ASSERT_TRUE(certs) << certs.motivo();
    // The issuer, without its key, is not one of them.
    EXPECT_EQ(this->Buscar(*certs, PrimeraLinea(Datos("ca.sha1"))), nullptr);
    ASSERT_EQ(certs->size(), 2u);

    const DatosCertificado* h = this->Buscar(*certs, hoja);
    ASSERT_NE(h, nullptr) << "thumbprint " << hoja << " not listed";
    // A quote, a backslash, a comma and accents, exactly as in the certificate.
    EXPECT_EQ(h->emitidoPara, "José \"Pepe\" Núñez\\Ñ, Güemes");
    EXPECT_EQ(h->emitidoPor, "Autoridad de Pruebas Ñandú");
    EXPECT_EQ(h->validoDesde, "Thu, 05 Jan 2023 10:00:00 GMT");
    EXPECT_EQ(h->validoHasta, "Mon, 31 Dec 2040 23:30:00 GMT");
    EXPECT_EQ(h->usosExtendidos, "clientAuth,emailProtection");
    EXPECT_EQ(h->email, "pepe@example.org");  // subject alternative name

    const DatosCertificado* o = this->Buscar(*certs, otra);
    ASSERT_NE(o, nullptr) << "thumbprint " << otra << " not listed";
    EXPECT_EQ(o->emitidoPara, "Otra Persona");
    EXPECT_EQ(o->validoDesde, "Thu, 29 Feb 2024 12:00:00 GMT");
    EXPECT_EQ(o->validoHasta, "Sat, 01 Oct 2039 08:09:10 GMT");
    // A usage without a short name keeps its dotted number.
    EXPECT_EQ(o->usosExtendidos, "codeSigning,1.3.6.1.4.1.311.10.3.12");
    EXPECT_EQ(o->email, "otra@example.org");  // no alternative name: the subject's attribute
}

TYPED_TEST(ContratoCertificados, ElOrdenEsElMismoEnCadaLectura) {
    ASSERT_TRUE(this->banco_.Importar("otra.p12"));
    ASSERT_TRUE(this->banco_.Importar("hoja.p12"));
    auto primera = this->banco_.Crear()->LeerCertificados();
    auto segunda = this->banco_.Crear()->LeerCertificados();
    ASSERT_TRUE(primera && segunda);
    ASSERT_EQ(primera->size(), 2u);
    ASSERT_EQ(segunda->size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ((*primera)[i].huella, (*segunda)[i].huella) << i;
}

TYPED_TEST(ContratoCertificados, SinCertificadosLaListaEstaVacia) {
    ASSERT_TRUE(this->banco_.ImportarSinClave("ca.der"));
    auto certs = this->banco_.Crear()->LeerCertificados();
    ASSERT_TRUE(certs) << certs.motivo();
    EXPECT_TRUE(certs->empty());
}

}  // namespace
}  // namespace contrato
