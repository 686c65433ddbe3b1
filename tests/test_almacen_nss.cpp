#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "resultado_prueba.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "ayudantes.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/u_sistema.h"

using namespace marlevanta;

namespace {

std::map<std::string, DatosCertificado> PorHuella(const std::vector<DatosCertificado>& certs) {
    std::map<std::string, DatosCertificado> r;
    for (const auto& c : certs) r[c.huella] = c;
    return r;
}

}  // namespace

TEST(AlmacenNss, ListaSoloLosCertificadosConClavePrivadaEnOrdenDeImportacionEstable) {
    const auto& base = prueba::BaseNssCompartida();
    ASSERT_EQ(base.certificados.size(), 8u);
    for (int vez = 0; vez < 2; ++vez) {
        auto certs = CrearAlmacenNss(base.directorio)->LeerCertificados();
        ASSERT_TRUE(certs) << certs.motivo();
        ASSERT_EQ(certs->size(), 8u);  // the issuer without a key is not listed
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_EQ((*certs)[i].huella, base.certificados[i].second)
                << "position " << i << " load " << vez;
        }
    }
}

TEST(AlmacenNss, DaLosCamposComoLosEsperaLaCarga) {
    const auto& base = prueba::BaseNssCompartida();
    auto leidos = CrearAlmacenNss(base.directorio)->LeerCertificados();
    ASSERT_TRUE(leidos);
    auto certs = PorHuella(*leidos);
    std::map<std::string, std::string> huella(base.certificados.begin(), base.certificados.end());

    const DatosCertificado& uno = certs.at(huella.at("uno"));
    EXPECT_EQ(uno.emitidoPara, "PÉREZ GARCÍA ANA - 12345678Z");
    EXPECT_EQ(uno.emitidoPor, "AC Pruebas Marlevanta");
    EXPECT_EQ(uno.validoDesde, "Thu, 05 Jan 2023 10:00:00 GMT");
    EXPECT_EQ(uno.validoHasta, "Sat, 31 Dec 2033 23:30:00 GMT");
    EXPECT_EQ(uno.usosExtendidos, "clientAuth,emailProtection");
    EXPECT_EQ(uno.email, "ana.perez@correo.example");

    const DatosCertificado& desnudo = certs.at(huella.at("sincorreo"));
    EXPECT_EQ(desnudo.usosExtendidos, "");
    EXPECT_EQ(desnudo.email, "");
    EXPECT_EQ(desnudo.validoDesde, "Sun, 31 Dec 2023 23:30:00 GMT");

    const DatosCertificado& firma = certs.at(huella.at("sujetoemail"));
    EXPECT_EQ(firma.email, "sujeto@correo.example");  // from the subject, no SAN
    EXPECT_EQ(firma.emitidoPara, "Correo En Sujeto");
    EXPECT_EQ(firma.usosExtendidos, "codeSigning,1.3.6.1.4.1.311.10.3.12,timeStamping");

    const DatosCertificado& servidor = certs.at(huella.at("acentos"));
    EXPECT_EQ(servidor.emitidoPara, "ÑÚÑEZ ÁLVAREZ JOSÉ - 87654321X");
    EXPECT_EQ(servidor.usosExtendidos, "serverAuth,clientAuth,OCSPSigning");

    EXPECT_EQ(certs.at(huella.at("gemelo1")).emitidoPara,
              certs.at(huella.at("gemelo2")).emitidoPara);
}

TEST(AlmacenNss, SinBaseDeDatosNoHayCertificadosYNadaSeCrea) {
    // A new user has imported nothing yet: an empty list, which the window explains.
    QTemporaryDir vacio;
    const std::string inexistente = vacio.path().toStdString() + "/no/existe";
    for (const std::string& dir : {inexistente, vacio.path().toStdString()}) {
        auto certs = CrearAlmacenNss(dir)->LeerCertificados();
        ASSERT_TRUE(certs) << certs.motivo();
        EXPECT_TRUE(certs->empty());
    }
    EXPECT_FALSE(std::filesystem::exists(inexistente));
    EXPECT_FALSE(std::filesystem::exists(vacio.path().toStdString() + "/cert9.db"));
}

TEST(AlmacenNss, BaseDeDatosCorruptaFallaSinRomperNada) {
    QTemporaryDir dir;
    const std::string ruta = dir.path().toStdString() + "/cert9.db";
    std::ofstream(ruta) << std::string(4096, 'x');
    auto certs = CrearAlmacenNss(dir.path().toStdString())->LeerCertificados();
    EXPECT_FALSE(certs);
    EXPECT_NE(certs.motivo().find("No se puede abrir"), std::string::npos) << certs.motivo();
    EXPECT_EQ(std::filesystem::file_size(ruta), 4096u);  // left as it was
}

TEST(AlmacenNss, SinDirectorioUsaElDelUsuario) {
    const auto& base = prueba::BaseNssCompartida();
    prueba::Entorno home("HOME", base.home.path().toStdString());
    auto certs = CrearAlmacenCertificados()->LeerCertificados();
    ASSERT_TRUE(certs) << certs.motivo();
    EXPECT_EQ(certs->size(), 8u);
}

TEST(AlmacenNss, UnaBaseConContrasenaTambienListaLosCertificadosDelUsuario) {
    const auto& base = prueba::BaseNssCompartida();
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string trabajo = base.home.path().toStdString() + "/trabajo";
    prueba::Ejecutar("mkdir '" + d + "/db' && echo secreto > '" + d +
                     "/pw' && certutil -N -d 'sql:" + d + "/db' -f '" + d +
                     "/pw' && for n in uno acentos; do pk12util -i '" + trabajo +
                     "'/$n.p12 -d 'sql:" + d + "/db' -W '' -k '" + d +
                     "/pw' >/dev/null || exit 1; done && certutil -A -d 'sql:" + d +
                     "/db' -n ca -t C,, -i '" + trabajo + "/ca.pem' -f '" + d + "/pw'");
    auto certs = CrearAlmacenNss(d + "/db")->LeerCertificados();
    ASSERT_TRUE(certs) << certs.motivo();
    ASSERT_EQ(certs->size(), 2u);
    // The tables hold the key's id in clear: the fast way lists the same as NSS after a login.
    auto porTablas = CrearAlmacenNss(d + "/db", ViaNss::Tablas)->LeerCertificados();
    ASSERT_TRUE(porTablas) << porTablas.motivo();
    ASSERT_EQ(porTablas->size(), 2u);
    EXPECT_EQ((*porTablas)[0].huella, (*certs)[0].huella);
    EXPECT_EQ((*porTablas)[1].huella, (*certs)[1].huella);
    EXPECT_EQ((*certs)[0].emitidoPara, "PÉREZ GARCÍA ANA - 12345678Z");
    EXPECT_EQ((*certs)[1].emitidoPara, "ÑÚÑEZ ÁLVAREZ JOSÉ - 87654321X");
    EXPECT_EQ((*certs)[0].validoDesde, "Thu, 05 Jan 2023 10:00:00 GMT");
}

TEST(AlmacenNss, UnCertificadoQueNoSePuedeDecodificarSeListaConSuApodoYSinDatos) {
    // A real database whose second certificate's stored DER has been damaged in place.
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string trabajo = prueba::BaseNssCompartida().home.path().toStdString() + "/trabajo";
    const std::string cambiadas = prueba::Ejecutar(
        "certutil -N -d 'sql:" + d +
        "' --empty-password && for n in uno acentos; do pk12util -i '" + trabajo +
        "'/$n.p12 -d 'sql:" + d + "' -W '' >/dev/null || exit 1; done && sqlite3 '" + d +
        "/cert9.db' \"UPDATE nssPublic SET a11 = x'3082FFFF0102' WHERE a0 = x'00000001' AND a3 = "
        "CAST('acentos' AS BLOB); SELECT changes();\"");
    ASSERT_EQ(cambiadas, "1\n");
    for (ViaNss via : {ViaNss::Automatica, ViaNss::Tablas, ViaNss::Api}) {
        auto certs = CrearAlmacenNss(d, via)->LeerCertificados();
        ASSERT_TRUE(certs) << certs.motivo();
        ASSERT_EQ(certs->size(), 2u) << static_cast<int>(via);
        const DatosCertificado& bueno = (*certs)[0];
        EXPECT_TRUE(bueno.legible);
        EXPECT_EQ(bueno.emitidoPara, "PÉREZ GARCÍA ANA - 12345678Z");
        EXPECT_EQ(bueno.apodo, "");  // only an unreadable one needs the store's name
        const DatosCertificado& roto = (*certs)[1];
        EXPECT_FALSE(roto.legible) << static_cast<int>(via);
        EXPECT_EQ(roto.apodo, "acentos");
        EXPECT_EQ(roto.emitidoPara, "");
        EXPECT_EQ(roto.huella, "");
        EXPECT_EQ(roto.validoHasta, "");
    }
}

TEST(AlmacenNss, LasTablasYLaApiDanLasMismasFilasEnElMismoOrden) {
    const auto comparar = [](const std::string& dir) {
        auto api = CrearAlmacenNss(dir, ViaNss::Api)->LeerCertificados();
        auto tablas = CrearAlmacenNss(dir, ViaNss::Tablas)->LeerCertificados();
        ASSERT_TRUE(api) << api.motivo();
        ASSERT_TRUE(tablas) << tablas.motivo();
        ASSERT_EQ(api->size(), tablas->size());
        for (size_t i = 0; i < api->size(); ++i) {
            const DatosCertificado& a = (*api)[i];
            const DatosCertificado& t = (*tablas)[i];
            EXPECT_EQ(a.huella, t.huella) << i;
            EXPECT_EQ(a.emitidoPara, t.emitidoPara) << i;
            EXPECT_EQ(a.emitidoPor, t.emitidoPor) << i;
            EXPECT_EQ(a.validoDesde, t.validoDesde) << i;
            EXPECT_EQ(a.validoHasta, t.validoHasta) << i;
            EXPECT_EQ(a.usosExtendidos, t.usosExtendidos) << i;
            EXPECT_EQ(a.email, t.email) << i;
        }
        // In parts, from the first certificate with a key found through the index to the rest
        // read at once: the same rows in the same order, the first part as large as asked.
        for (size_t primera : {1, 2, 3, 100}) {
            std::vector<std::string> huellas;
            std::vector<size_t> tamanos;
            auto h = CrearAlmacenNss(dir)->LeerPorPartes(primera,
                                                         [&](std::vector<DatosCertificado> parte) {
                                                             tamanos.push_back(parte.size());
                                                             for (const auto& c : parte)
                                                                 huellas.push_back(c.huella);
                                                             return true;
                                                         });
            ASSERT_TRUE(h) << h.motivo();
            ASSERT_EQ(huellas.size(), api->size()) << primera;
            for (size_t i = 0; i < huellas.size(); ++i) EXPECT_EQ(huellas[i], (*api)[i].huella);
            ASSERT_FALSE(tamanos.empty());
            EXPECT_EQ(tamanos[0], std::min(primera, api->size())) << primera;
            EXPECT_EQ(std::count(tamanos.begin(), tamanos.end(), 0u), 0) << primera;
            // Told to stop, it stops.
            int partes = 0;
            ASSERT_TRUE(CrearAlmacenNss(dir)->LeerPorPartes(primera, [&](auto) {
                ++partes;
                return false;
            }));
            EXPECT_EQ(partes, 1);
        }
    };
    comparar(prueba::BaseNssCompartida().directorio);
    // Imports made in several runs of the tools, keys generated in place, certificates without
    // a key between them: the order is the database's, whatever it is.
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string trabajo = prueba::BaseNssCompartida().home.path().toStdString() + "/trabajo";
    prueba::Ejecutar("certutil -N -d 'sql:" + d +
                     "' --empty-password && for n in acentos uno "
                     "gemelo2; do pk12util -i '" +
                     trabajo + "'/$n.p12 -d 'sql:" + d +
                     "' -W '' >/dev/null || exit 1; done && certutil -A -d 'sql:" + d +
                     "' -n ca -t C,, -i '" + trabajo + "/ca.pem' && pk12util -i '" + trabajo +
                     "/sincorreo.p12' -d 'sql:" + d + "' -W '' >/dev/null");
    comparar(d);
    auto tablas = CrearAlmacenNss(d, ViaNss::Tablas)->LeerCertificados();
    ASSERT_TRUE(tablas);
    EXPECT_EQ(tablas->size(), 4u);  // the CA has no key
}

TEST(AlmacenNss, SinLasTablasEsperadasSigueLaApi) {
    // A cert9.db that is a database but not of NSS's layout: the fast way fails with its
    // reason, and the usual reading still lists the store's own words.
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    prueba::Ejecutar("sqlite3 '" + d + "/cert9.db' 'CREATE TABLE otra(x)' && sqlite3 '" + d +
                     "/key4.db' 'CREATE TABLE otra(x)'");
    auto tablas = CrearAlmacenNss(d, ViaNss::Tablas)->LeerCertificados();
    EXPECT_FALSE(tablas);
    EXPECT_NE(tablas.motivo().find("nssPrivate"), std::string::npos) << tablas.motivo();
    auto automatica = CrearAlmacenNss(d)->LeerCertificados();
    EXPECT_FALSE(automatica);  // NSS cannot use it either, and says so
}

TEST(AlmacenNss, ElFormatoAntiguoOUnaCarpetaSinPermisoSeDicenComoSon) {
    QTemporaryDir d;
    // A real database of the legacy format, and nothing of the current one.
    const std::string antiguo = d.path().toStdString() + "/antiguo";
    std::filesystem::create_directories(antiguo);
    prueba::Ejecutar("certutil -N -d dbm:'" + antiguo + "' --empty-password");
    ASSERT_TRUE(std::filesystem::exists(antiguo + "/cert8.db"));
    auto certs = CrearAlmacenNss(antiguo)->LeerCertificados();
    ASSERT_FALSE(certs);
    EXPECT_NE(certs.motivo().find("formato antiguo (cert8.db)"), std::string::npos)
        << certs.motivo();
    EXPECT_NE(certs.motivo().find("certutil -N -d sql:" + antiguo), std::string::npos);
    EXPECT_EQ(certs.motivo().find("No se encuentra"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(antiguo + "/cert9.db"));  // left as it was

    // The user's real database in a folder they have shut to themselves (chmod 000). Root reads
    // it anyway, so an unprivileged user owns it and looks.
    const std::string cerrada = d.path().toStdString() + "/cerrada";
    std::filesystem::copy(prueba::BaseNssCompartida().directorio, cerrada);
    std::filesystem::permissions(d.path().toStdString(), std::filesystem::perms(0755));
    prueba::Ejecutar("chown -R 65534:65534 '" + cerrada + "' 2>/dev/null || true");
    std::filesystem::permissions(cerrada, std::filesystem::perms::none);
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        auto r = CrearAlmacenNss(cerrada)->LeerCertificados();
        if (r) _exit(91);
        const std::string esperado = "No se puede abrir el almacén de certificados \"" + cerrada +
                                     "\": su usuario no tiene permiso para leer esa carpeta.";
        if (r.motivo().rfind(esperado, 0) != 0) {
            std::fprintf(stderr, "%s\n", r.motivo().c_str());
            _exit(92);
        }
        _exit(0);
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    std::filesystem::permissions(cerrada, std::filesystem::perms::owner_all);
    EXPECT_TRUE(WIFEXITED(estado));
    EXPECT_EQ(WEXITSTATUS(estado), 0);
}
