// The current user's SID and, where the platform has one, the grant that lets that user write
// the browsers' managed policy of their own.
#include <algorithm>

#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

template <class Banco>
class ContratoPermisos : public testing::Test {
protected:
    static bool Contiene(const std::vector<std::string>& todo,
                         const std::vector<std::string>& parte) {
        return std::all_of(parte.begin(), parte.end(), [&](const std::string& e) {
            return std::find(todo.begin(), todo.end(), e) != todo.end();
        });
    }

    Banco banco_;
};

TYPED_TEST_SUITE(ContratoPermisos, BancosPermisos, NombreBanco);

TYPED_TEST(ContratoPermisos, SidDelUsuarioActual) {
    const std::string sid = SidUsuarioActual();
    EXPECT_EQ(sid, this->banco_.SidPropio());
    EXPECT_EQ(sid.rfind(this->banco_.PrefijoSid(), 0), 0u) << sid;
    // "S-1-" and then numbers joined by "-".
    ASSERT_EQ(sid.rfind("S-1-", 0), 0u);
    const std::string numeros = sid.substr(4);
    EXPECT_EQ(numeros.find_first_not_of("0123456789-"), std::string::npos) << sid;
    EXPECT_EQ(numeros.find("--"), std::string::npos) << sid;
    EXPECT_NE(numeros.back(), '-');
}

TYPED_TEST(ContratoPermisos, ConcedeSinQuitarLoQueHabia) {
    if (const char* motivo = this->banco_.SinConcesion()) GTEST_SKIP() << motivo;
    const std::vector<std::string> antes = this->banco_.Entradas();
    ASSERT_FALSE(antes.empty());
    ASSERT_FALSE(this->banco_.Concedido(""));

    const Hecho concedido = DarPermisosSoftwarePolicies("");
    ASSERT_TRUE(concedido) << concedido.motivo();
    EXPECT_TRUE(this->banco_.Concedido(""));
    const std::vector<std::string> despues = this->banco_.Entradas();
    EXPECT_TRUE(this->Contiene(despues, antes)) << testing::PrintToString(despues);
    EXPECT_GT(despues.size(), antes.size());
}

TYPED_TEST(ContratoPermisos, ConcederOtraVezNoAnadeNada) {
    if (const char* motivo = this->banco_.SinConcesion()) GTEST_SKIP() << motivo;
    if (const char* motivo = this->banco_.RepeticionNoComprobable()) GTEST_SKIP() << motivo;
    ASSERT_TRUE(DarPermisosSoftwarePolicies(""));
    const std::vector<std::string> unaVez = this->banco_.Entradas();
    ASSERT_TRUE(DarPermisosSoftwarePolicies(""));
    EXPECT_EQ(this->banco_.Entradas(), unaVez);
    EXPECT_TRUE(this->banco_.Concedido(""));
}

TYPED_TEST(ContratoPermisos, ConElSidPropioIgualQueSinSid) {
    if (const char* motivo = this->banco_.SinConcesion()) GTEST_SKIP() << motivo;
    const Hecho concedido = DarPermisosSoftwarePolicies(this->banco_.SidPropio());
    ASSERT_TRUE(concedido) << concedido.motivo();
    EXPECT_TRUE(this->banco_.Concedido(this->banco_.SidPropio()));
}

TYPED_TEST(ContratoPermisos, LoQueSeCreaDespuesLoHereda) {
    if (const char* motivo = this->banco_.SinConcesion()) GTEST_SKIP() << motivo;
    if (const char* motivo = this->banco_.HerenciaNoComprobable()) GTEST_SKIP() << motivo;
    ASSERT_TRUE(DarPermisosSoftwarePolicies(""));
    EXPECT_TRUE(this->banco_.HeredadoPorNuevo(""));
}

TYPED_TEST(ContratoPermisos, UnSidDeNadieFallaSinCambiarNada) {
    if (const char* motivo = this->banco_.SinConcesion()) GTEST_SKIP() << motivo;
    const std::vector<std::string> antes = this->banco_.Entradas();
    const Hecho concedido = DarPermisosSoftwarePolicies(this->banco_.SidDeNadie());
    EXPECT_FALSE(concedido);
    EXPECT_EQ(concedido.motivo().rfind(this->banco_.FalloSidDeNadie(), 0), 0u)
        << concedido.motivo();
    EXPECT_EQ(this->banco_.Entradas(), antes);
}

}  // namespace
}  // namespace contrato
