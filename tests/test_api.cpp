#include <gtest/gtest.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ayudantes.h"
#include "common/u_manejadorFuncionesComunes.h"
#include "online/u_manejadorApi.h"
#include "servidor_api.h"
#include "store/u_manejadorRegistro.h"

using namespace marlevanta;

namespace {

class Api : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
        registro_ = std::make_unique<TManejadorRegistro>(CrearRegistroUsuario(), nullptr);
    }
    // The client against a server answering `respuestas` (path, text pairs).
    std::unique_ptr<TManejadorApi> Cliente(prueba::ServidorApi& s) {
        ca_.reset();  // restores the previous value before the new one is set
        ca_ = std::make_unique<prueba::Entorno>("SSL_CERT_FILE", s.Ca());
        registro_->EscribirValor("ApiHost", s.Base().toStdString());
        return std::make_unique<TManejadorApi>(*registro_);
    }
    static QStringList Respuestas(std::initializer_list<std::pair<const char*, const char*>> r) {
        QStringList a;
        for (const auto& [ruta, texto] : r) a << "--respuesta" << ruta << QString::fromUtf8(texto);
        return a;
    }
    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_, ca_;
    std::unique_ptr<TManejadorRegistro> registro_;
};

}  // namespace

// Derivation by hand, input "A" (code 65, L = 1):
//   step 2, i = 1: 65 + 3 * (1 mod 40) + 12 = 80 = 0x050            -> "050"
//   step 3: shorter than 420                                           -> "050fff"
//   step 4, pass p, j = 1: 65 + 1 * (p + 5) + 7 = 77 + p: p = 1 -> 78 = "04E", p = 2 -> "04F", ...
//   414 characters are missing, 3 per pass: passes 1 to 138; the last is 77 + 138 = 215 = "0D7".
// Input "20261209marlevanta" (18 characters): "2" = 50 + 3 + 12 = 65 = "041", "0" = 48 + 6 + 12 =
//   66 = "042"; 54 characters, "fff" makes 57; pass 1 starts with j = 18, "a" = 97 + 18 * 6 + 7 =
//   212 = "0D4" at positions 58 to 60.
TEST(Encripta, SegunLosCincoPasos) {
    const QString a = TmanejadorFuncionesComunes::Encripta("A");
    EXPECT_EQ(a.size(), 420);
    EXPECT_TRUE(a.startsWith("050fff04e04f"));
    EXPECT_TRUE(a.endsWith("0d7"));
    const QString t = TmanejadorFuncionesComunes::Encripta("20261209marlevanta");
    EXPECT_EQ(t.size(), 420);
    EXPECT_TRUE(t.startsWith("041042"));
    EXPECT_EQ(t.mid(57, 3), "0d4");
    EXPECT_EQ(t, t.toLower());
    EXPECT_EQ(TmanejadorFuncionesComunes::Encripta(""), "");
    // 0xFFFF + 3 + 12 needs five digits.
    EXPECT_TRUE(
        TmanejadorFuncionesComunes::Encripta(QString(QChar(0xFFFF))).startsWith("1000efff"));
}

TEST(LineasRespuesta, CortesDeLinea) {
    EXPECT_EQ(LineasRespuesta("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(LineasRespuesta("10005\n"), QStringList{"10005"});
    EXPECT_EQ(LineasRespuesta("a\n\n"), (QStringList{"a", ""}));
    EXPECT_EQ(LineasRespuesta(""), QStringList{});
}

TEST_F(Api, PreguntasYRespuestas) {
    prueba::ServidorApi s(
        Respuestas({{"/version", "10005\\nA\\nB"},
                    {"/updatefile", "https://descargas.example/p.zip\\nclave secreta"},
                    {"/ayudas", "https://a.example/uso\\r\\nhttps://a.example/trucos\\n"}}));
    auto api = Cliente(s);
    EXPECT_EQ(api->host, s.Base());  // the host question got 404: the address stays
    QString v, c;
    ASSERT_TRUE(api->LeerVersion(v, c)) << api->ultimoError.toStdString();
    EXPECT_EQ(v, "10005");
    EXPECT_EQ(c, "A\rB\r");
    QString u, p;
    ASSERT_TRUE(api->LeerUpdateFile(u, p));
    EXPECT_EQ(u, "https://descargas.example/p.zip");
    EXPECT_EQ(p, "clave secreta");
    ASSERT_TRUE(api->LeerUrlsAyuda(u, p));
    EXPECT_EQ(u, "https://a.example/uso");
    EXPECT_EQ(p, "https://a.example/trucos");
    const QString registro = s.Registro();
    EXPECT_TRUE(
        registro.contains("/version/" + api->Token() +
                          "\tMozilla/4.0 (compatible; Marlevanta)\ttext/html,application/xhtml+xml,"
                          "application/xml;q=0.9,*/*;q=0.8"))
        << registro.toStdString();
}

TEST_F(Api, RespuestasQueNoValen) {
    struct Caso {
        const char* ruta;
        const char* texto;
    };
    {
        prueba::ServidorApi s(Respuestas(
            {{"/version", "1.0.5\\nA"}, {"/updatefile", "  KO  \\nx"}, {"/ayudas", "a\\nb\\nc"}}));
        auto api = Cliente(s);
        QString a = "x", b = "y";
        EXPECT_FALSE(api->LeerVersion(a, b));
        EXPECT_TRUE(a.isEmpty() && b.isEmpty());
        a = "x", b = "y";
        EXPECT_FALSE(api->LeerUpdateFile(a, b));
        EXPECT_TRUE(a.isEmpty() && b.isEmpty());
        EXPECT_FALSE(api->LeerUrlsAyuda(a, b));
        EXPECT_TRUE(a.isEmpty() && b.isEmpty());
    }
    {
        prueba::ServidorApi s(
            Respuestas({{"/version", "10005\\n"}, {"/updatefile", "https://d.example/p.zip"}}));
        auto api = Cliente(s);
        QString a, b;
        EXPECT_TRUE(api->LeerVersion(a, b));
        EXPECT_EQ(b, "");
        EXPECT_TRUE(api->LeerUpdateFile(a, b));
        EXPECT_EQ(b, "");
    }
}

TEST_F(Api, ElHostSeSigueAunqueSoloCambieEnMayusculas) {
    prueba::ServidorApi s({});
    const QString otro = s.Base().toUpper().replace("HTTPS://", "https://");
    prueba::ServidorApi conHost(Respuestas({{"/host", otro.toUtf8().constData()}}));
    auto api = Cliente(conHost);
    EXPECT_EQ(api->host, otro.toUtf8().constData());
    EXPECT_EQ(registro_->LeerValor("ApiHost"), otro.toStdString());
}

TEST_F(Api, SinApiHostUsaElDePorDefectoYLoGuarda) {
    registro_->EscribirValor("ApiHost", "");
    TManejadorApi api(*registro_);
    EXPECT_EQ(api.host, kApiHostPorDefecto);
    EXPECT_EQ(registro_->LeerValor("ApiHost"), kApiHostPorDefecto);
    QString a, b;
    EXPECT_FALSE(api.LeerVersion(a, b));  // .example never resolves
    EXPECT_EQ(api.ultimoError, "Host not found");
}

TEST_F(Api, ElTokenCambiaConElDia) {
    QDate dia(2026, 12, 9);
    TManejadorApi api(*registro_, [&] { return dia; });
    const QString hoy = api.Token();
    dia = dia.addDays(1);
    EXPECT_NE(api.Token(), hoy);
    EXPECT_EQ(hoy, TmanejadorFuncionesComunes::Encripta("20261209marlevanta"));
}

TEST_F(Api, FallosDelServidorYDeLaRed) {
    const auto fallo = [](prueba::ServidorApi& s, OpcionesHttp o = {}) {
        prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
        ClienteHttp cliente(o);
        std::string cuerpo, error;
        EXPECT_FALSE(cliente.Get(s.Base().toStdString() + "/version/x", cuerpo, error));
        EXPECT_TRUE(cuerpo.empty());
        return error;
    };
    {
        prueba::ServidorApi s({});
        EXPECT_EQ(fallo(s), "HTTP/1.1 404 Not Found");
    }
    {
        prueba::ServidorApi s({"--modo", "error"});
        EXPECT_EQ(fallo(s), "HTTP/1.1 500 Fallo Interno Muy Raro");
    }
    {
        prueba::ServidorApi s({"--modo", "redireccion"});
        EXPECT_EQ(fallo(s), "HTTP/1.1 302 Found");
    }
    {
        prueba::ServidorApi s({"--modo", "enorme"});
        EXPECT_EQ(fallo(s), "Answer too large");
    }
    {
        prueba::ServidorApi s({"--modo", "mudo"});
        OpcionesHttp o;
        o.segundosSinDatos = 1;
        QElapsedTimer reloj;
        reloj.start();
        EXPECT_FALSE(fallo(s, o).empty());
        EXPECT_LT(reloj.elapsed(), 30000);
    }
    {
        // A server whose certificate no trusted authority signed.
        prueba::ServidorApi s({});
        prueba::Entorno sinCa("SSL_CERT_FILE", "/etc/ssl/certs/ca-certificates.crt");
        ClienteHttp cliente({});
        std::string cuerpo, error;
        EXPECT_FALSE(cliente.Get(s.Base().toStdString() + "/host", cuerpo, error));
        EXPECT_NE(error.find("certificate"), std::string::npos) << error;
    }
    {
        prueba::ServidorApi s({"--modo", "basura"});
        registro_->EscribirValor("ApiHost", s.Base().toStdString());
        prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
        TManejadorApi api(*registro_);
        QString a, b;
        EXPECT_FALSE(api.LeerVersion(a, b));
        EXPECT_FALSE(api.LeerUrlsAyuda(a, b));
    }
}

TEST_F(Api, DescargaConProgresoCancelacionYLongitudIncompleta) {
    QTemporaryDir d;
    const std::string paquete = d.path().toStdString() + "/origen.bin";
    {
        std::string datos(300000, 'z');
        QFile f(QString::fromStdString(paquete));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(datos.data(), static_cast<qint64>(datos.size()));
    }
    prueba::ServidorApi s({"--paquete", QString::fromStdString(paquete), "--lento", "0.02"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    ClienteHttp cliente(OpcionesHttp{"text/html, */*"});
    const std::string destino = d.path().toStdString() + "/descarga.zip";
    std::string error;
    std::uint64_t ultimo = 0, total = 0;
    bool tamanoDuranteLaDescarga = false;
    std::FILE* f = std::fopen(destino.c_str(), "wb");
    ASSERT_TRUE(cliente.Descargar(
        s.Base().toStdString() + "/paquete", f,
        [&](std::uint64_t r, std::uint64_t t) {
            ultimo = r;
            total = t;
            if (r > 0 && r < t) {
                tamanoDuranteLaDescarga =
                    std::ftell(f) >= 0 && QFile(QString::fromStdString(destino)).size() == 300000;
            }
            return true;
        },
        error))
        << error;
    std::fclose(f);
    EXPECT_EQ(total, 300000u);
    EXPECT_EQ(ultimo, 300000u);
    EXPECT_TRUE(tamanoDuranteLaDescarga);
    EXPECT_EQ(QFile(QString::fromStdString(destino)).size(), 300000);

    f = std::fopen(destino.c_str(), "wb");
    EXPECT_FALSE(cliente.Descargar(
        s.Base().toStdString() + "/paquete", f,
        [&](std::uint64_t r, std::uint64_t) { return r < 50000; }, error));
    std::fclose(f);
    EXPECT_EQ(error, "Cancelled");

    prueba::ServidorApi corto({"--modo", "corto"});
    prueba::Entorno ca2("SSL_CERT_FILE", corto.Ca());
    f = std::fopen(destino.c_str(), "wb");
    EXPECT_FALSE(cliente.Descargar(
        corto.Base().toStdString() + "/paquete", f,
        [](std::uint64_t, std::uint64_t) { return true; }, error));
    std::fclose(f);
    EXPECT_FALSE(error.empty());
}
